#include "app/moduletranslations.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QTranslator>

namespace Kalvio {

ModuleTranslations::ModuleTranslations(QObject *parent)
    : QObject(parent)
{
}

ModuleTranslations::~ModuleTranslations()
{
    removeAll();
}

void ModuleTranslations::addModule(const QString &folder, const QString &name)
{
    const QPair<QString, QString> module(QDir::cleanPath(folder), name);
    if (!m_modules.contains(module))
        m_modules.append(module);
}

void ModuleTranslations::addModuleFile(const QString &fileName)
{
    const QFileInfo file(fileName);
    addModule(file.absolutePath(), file.completeBaseName());
}

QStringList ModuleTranslations::setLanguage(const QString &code)
{
    removeAll();
    if (code.isEmpty() || code == QLatin1String("en"))
        return m_files;
    for (const auto &module : qAsConst(m_modules))
        install(module.first, module.second + QLatin1Char('_') + code);
    install(QLibraryInfo::location(QLibraryInfo::TranslationsPath),
            QStringLiteral("qtbase_") + code);
    return m_files;
}

void ModuleTranslations::removeAll()
{
    for (QTranslator *translator : qAsConst(m_installed)) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
    m_installed.clear();
    m_files.clear();
}

bool ModuleTranslations::install(const QString &folder, const QString &name)
{
    auto *translator = new QTranslator(this);
    if (!translator->load(name, folder) || !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return false;
    }
    m_installed.append(translator);
    m_files.append(translator->filePath());
    return true;
}

} // namespace Kalvio
