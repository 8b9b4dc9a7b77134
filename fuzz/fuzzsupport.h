#pragma once

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>

namespace FuzzSupport {

// Modal dialogs go as soon as they show: nobody is there to answer them.
class DialogDismisser : public QObject
{
public:
    using QObject::QObject;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *dialog = qobject_cast<QDialog *>(watched);
        if (dialog && event->type() == QEvent::Show && dialog->isModal())
            QMetaObject::invokeMethod(dialog, "reject", Qt::QueuedConnection);
        return false;
    }
};

// One offscreen application for the run, silent: log output would hold the
// fuzzer to the terminal's pace. Never destroyed: from the exit handlers it
// would outlive Qt's thread data.
inline void startApplication()
{
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char *argv[] = {const_cast<char *>("fuzz"), nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    auto *app = new QApplication(argc, argv);
    app->installEventFilter(new DialogDismisser(app));
}

// The input as a file of that name in a folder of the run's own; its path.
inline QString writeInput(const QString &name, const std::uint8_t *data, std::size_t size)
{
    static QTemporaryDir folder;
    QFile file(folder.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(reinterpret_cast<const char *>(data),
                                                       qint64(size)) != qint64(size))
        qFatal("cannot write the input");
    return file.fileName();
}

} // namespace FuzzSupport
