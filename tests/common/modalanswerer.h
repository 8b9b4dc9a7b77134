#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMetaEnum>
#include <QPointer>
#include <QTimer>

// Answers the modal dialogs a test provokes, so that nothing waits for a person:
// polls QApplication::activeModalWidget() and presses a button of it. A script gives
// one answer per dialog in turn ("Ok", "Cancel", … for a message box's standard
// button, "Enter" for the Return key, else a button's text or object name; "" closes
// the dialog); after it every
// dialog gets the standing answer, Ok unless set. Progress dialogs are left alone.
class ModalAnswerer : public QObject
{
public:
    explicit ModalAnswerer(const QStringList &script = QStringList())
        : m_script(script)
    {
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] { poll(); });
        m_timer.start(10);
    }

    void answerWith(QMessageBox::StandardButton button)
    {
        m_standing = QString::fromLatin1(standardButtons().valueToKey(button));
    }
    void answerWithButton(const QString &textOrObjectName) { m_standing = textOrObjectName; }

    int answered() const { return m_titles.size(); }
    QStringList titles() const { return m_titles; }
    // The message boxes' texts; an empty entry for any other dialog.
    QStringList texts() const { return m_texts; }

private:
    static QMetaEnum standardButtons()
    {
        const QMetaObject &meta = QMessageBox::staticMetaObject;
        return meta.enumerator(meta.indexOfEnumerator("StandardButtons"));
    }

    void poll()
    {
        QWidget *w = QApplication::activeModalWidget();
        if (!w || w == m_last || !w->isVisible() || w->objectName() == "DataFrameSenderUi"
            || w->objectName() == "ProgressBarUi")
            return;
        m_last = w;
        const QString answer = m_script.value(m_titles.size(), m_standing);
        m_titles << w->windowTitle();
        auto *box = qobject_cast<QMessageBox *>(w);
        m_texts << (box ? box->text() : QString());
        if (answer == QLatin1String("Enter")) { // whatever the dialog's default is
            QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QCoreApplication::sendEvent(w->focusWidget() ? w->focusWidget() : w, &press);
            return;
        }
        const int standard = box ? standardButtons().keyToValue(qPrintable(answer)) : -1;
        QAbstractButton *button =
            standard > 0 ? box->button(QMessageBox::StandardButton(standard)) : nullptr;
        for (QAbstractButton *b : w->findChildren<QAbstractButton *>()) {
            if (!button && !answer.isEmpty()
                && (b->text().remove('&') == answer || b->objectName() == answer))
                button = b;
        }
        if (button)
            button->click();
        else if (auto *dialog = qobject_cast<QDialog *>(w))
            dialog->reject();
        else
            w->close();
    }

    QTimer m_timer;
    QPointer<QWidget> m_last;
    QStringList m_script;
    QString m_standing = QStringLiteral("Ok");
    QStringList m_titles;
    QStringList m_texts;
};
