#pragma once

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <cstdint>

namespace FuzzSupport {

// One silent offscreen application whose modal dialogs close at once; never destroyed,
// as from the exit handlers it would outlive Qt's thread data.
inline void startApplication()
{
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char *argv[] = {const_cast<char *>("fuzz"), nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    auto *app = new QApplication(argc, argv);
    auto *closer = new QTimer(app);
    QObject::connect(closer, &QTimer::timeout, [] {
        if (QWidget *dialog = QApplication::activeModalWidget())
            dialog->close();
    });
    closer->start(0);
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
