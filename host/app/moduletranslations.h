#pragma once

#include <QList>
#include <QObject>
#include <QPair>
#include <QStringList>

class QTranslator;

namespace Kalvio {

// The translations of the program, of the host's widget library and of every
// plug-in, each read from "<module>_<code>.qm" beside its module, plus Qt's own
// for the standard buttons and dialogs.
class ModuleTranslations : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(ModuleTranslations)

public:
    explicit ModuleTranslations(QObject *parent = nullptr);
    ~ModuleTranslations() override;

    // A module by its folder and base name ("kalvio", "Utils", "IoLinkZT4Kfamily").
    void addModule(const QString &folder, const QString &name);
    // The same for a library file: its folder and its name without suffixes.
    void addModuleFile(const QString &fileName);

    // Removes the translations installed before and installs those of the code
    // that exist. English is the source language: it installs none. Returns the
    // files installed.
    QStringList setLanguage(const QString &code);

private:
    void removeAll();
    bool install(const QString &folder, const QString &name);

    QList<QPair<QString, QString>> m_modules;
    QList<QTranslator *> m_installed;
    QStringList m_files;
};

} // namespace Kalvio
