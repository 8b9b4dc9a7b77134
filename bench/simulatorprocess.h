#pragma once

#include <QDir>
#include <QProcess>
#include <QString>

#include <cstdio>

// Starts iolink-master-sim from the benchmark's folder on the data file beside it
// and returns the pseudo-terminal it serves (its first line), or an empty text.
inline QString startSimulatorProcess(QProcess &simulator, const QDir &bin)
{
    simulator.setProcessChannelMode(QProcess::SeparateChannels);
    simulator.start(bin.filePath(QStringLiteral("iolink-master-sim")),
                    {QStringLiteral("--data"),
                     bin.filePath(QStringLiteral("IoLinkZT4Kfamily.xml"))});
    if (!simulator.waitForStarted(5000) || !simulator.waitForReadyRead(5000)) {
        std::fprintf(stderr, "iolink-master-sim did not start: %s\n",
                     qPrintable(simulator.errorString()));
        return QString();
    }
    return QString::fromLocal8Bit(simulator.readLine()).trimmed();
}
