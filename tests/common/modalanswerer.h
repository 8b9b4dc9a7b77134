#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>

// Answers the modal dialogs a test provokes: polls for the active modal widget
// and presses the chosen button, so that nothing waits for a person.
class ModalAnswerer : public QObject
{
public:
    // `button` is matched against a message box's standard buttons first,
    // then against the text of any push button; a null handler closes with reject().
    explicit ModalAnswerer(QObject *parent = nullptr)
        : QObject(parent)
    {
        m_timer.setInterval(20);
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] { poll(); });
        m_timer.start();
    }

    // Every modal widget seen is answered with `standardButton`.
    void answerWith(QMessageBox::StandardButton standardButton)
    {
        m_standard = standardButton;
        m_text.clear();
    }
    // Every modal widget seen is answered by clicking the button with this text or object name.
    void answerWithButton(const QString &textOrObjectName)
    {
        m_text = textOrObjectName;
        m_standard = QMessageBox::NoButton;
    }

    int answered() const { return m_answered; }
    QStringList texts() const { return m_texts; }
    QStringList titles() const { return m_titles; }

private:
    void poll()
    {
        QWidget *w = QApplication::activeModalWidget();
        if (!w || w == m_last)
            return;
        m_last = w;
        m_titles << w->windowTitle();
        if (auto *box = qobject_cast<QMessageBox *>(w)) {
            m_texts << box->text();
            if (m_standard != QMessageBox::NoButton && box->button(m_standard)) {
                ++m_answered;
                box->button(m_standard)->click();
                return;
            }
        } else {
            m_texts << QString();
        }
        if (!m_text.isEmpty()) {
            for (QAbstractButton *b : w->findChildren<QAbstractButton *>()) {
                if (b->text() == m_text || b->objectName() == m_text) {
                    ++m_answered;
                    b->click();
                    return;
                }
            }
        }
        if (auto *dialog = qobject_cast<QDialog *>(w)) {
            ++m_answered;
            dialog->reject();
        }
    }

    QTimer m_timer;
    QPointer<QWidget> m_last;
    QMessageBox::StandardButton m_standard = QMessageBox::Ok;
    QString m_text;
    int m_answered = 0;
    QStringList m_texts;
    QStringList m_titles;
};
