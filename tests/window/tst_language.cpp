// The window connected to the simulated master, switched to German with the
// translations kalvio installs, and back: every text a user sees.
#include "common/connectionrig.h"

#include "comm/connectionswitchdialog.h"

#include "app/moduletranslations.h"
#include "extensionsystem/globals.h"

#include <QDockWidget>
#include <QRegularExpression>
#include <QToolBar>
#include <QTreeWidget>
#include <QtTest>
#include <qwt_plot.h>
#include <qwt_scale_div.h>

using ConnectionRig::Access;
using ConnectionRig::DialogScript;
using ConnectionRig::Rig;

namespace {

using Texts = QMap<QString, QString>;

// What a user sees, keyed by place, and the axis ranges a language change must keep.
void collect(QWidget *top, Texts &texts, const QString &prefix)
{
    int n = 0;
    const QList<QWidget *> widgets = top->findChildren<QWidget *>() << top;
    for (QWidget *w : widgets) {
        const QString key = prefix + QString::number(n++) + w->metaObject()->className();
        if (!w->isVisibleTo(top) && w != top)
            continue;
        texts[key + "tip"] = w->toolTip();
        if (qobject_cast<QDockWidget *>(w) || qobject_cast<QToolBar *>(w) || w == top)
            texts[key + "title"] = w->windowTitle();
        if (const QVariant text = w->property("text"); text.isValid()) // labels, buttons
            texts[key + "text"] = text.toString();
        if (auto *combo = qobject_cast<QComboBox *>(w); combo && combo->count() > 0)
            texts[key + "item"] = combo->itemText(0);
        if (auto *tree = qobject_cast<QTreeWidget *>(w)) {
            int row = 0;
            for (QTreeWidgetItemIterator it(tree); *it; ++it, ++row)
                for (int c = 0; c < tree->columnCount(); ++c)
                    texts[key + QStringLiteral(" row %1 %2").arg(row).arg(c)] = (*it)->text(c);
        }
        if (auto *plot = qobject_cast<QwtPlot *>(w)) {
            texts[key + "plot"] = plot->title().text();
            for (int axis = 0; axis < QwtPlot::axisCnt; ++axis) {
                const QwtScaleDiv div = axis == QwtPlot::xBottom ? QwtScaleDiv() // time moves on
                                                                 : plot->axisScaleDiv(axis);
                texts[key + QString::number(axis)] = plot->axisTitle(axis).text() + ' '
                    + QString::number(div.lowerBound()) + ' ' + QString::number(div.upperBound());
            }
        }
    }
    for (QAction *action : top->findChildren<QAction *>()) {
        if (action->isVisible() && !action->objectName().isEmpty())
            texts[prefix + action->objectName()] =
                action->text() + " | " + action->toolTip() + " | " + action->statusTip();
    }
}

// Names, units, numbers and identifiers read the same in both languages.
bool sameInBothLanguages(const QString &text)
{
    static const QRegularExpression words(QStringLiteral(
        "^\\s*(([^A-Za-z\\s]+|\\S*\\d\\S*|\\(?(bar|psi|MPa|kPa|mA|V|OK|Kalvio|Orvex|Analog|"
        "Signal)\\)?)(\\s+|$))*$"));
    return words.match(text).hasMatch();
}

} // namespace

class TestLanguage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { OrvexSensorPlugin::Core::setSleepFunction([](int) {}); }

    void wholeWindowInGermanAndBack()
    {
        Rig rig;
        Kalvio::ModuleTranslations translations;
        for (const char *module : {"IoLinkZT4Kfamily", "Utils", "PropertyBrowser"})
            translations.addModule(qEnvironmentVariable("TEST_BINARY_DIR") + "/bin", module);
        const auto switchTo = [&](const char *code) {
            ExtensionSystem::Globals::setLanguage(code);
            translations.setLanguage(QString::fromLatin1(code)); // posts the change
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
        };
        // A refused port: the direction dialog, then the warning of the failed connect.
        const auto failedConnect = [&](Texts &texts) {
            OrvexSensorPlugin::Core::ConnectionSwitchDialog dialog;
            collect(&dialog, texts, "dialog ");
            DialogScript answers({"sensorToPc"});
            rig.choosePort(rig.combo()->findText(QStringLiteral("/dev/ttyOTHER")));
            texts["box"] = answers.titles().join(" | ") + " | " + answers.texts().join(" | ");
        };
        const auto window = [&](Texts &texts) {
            collect(&rig.window(), texts, "window ");
            texts["points"] = QString::number(rig.points());
        };

        Texts english, german, again;
        failedConnect(english);
        {
            DialogScript answers({"sensorToPc"});
            rig.choosePort(rig.portIndex());
        }
        rig.finishProgress();
        QTRY_VERIFY(rig.points() >= 3);
        Access::setLive(rig.window(), false);
        QTest::qWait(100); // the poll in flight is answered, no other follows
        window(english);
        switchTo("de");
        window(german);
        switchTo("en");
        window(again);
        failedConnect(again);
        switchTo("de");
        failedConnect(german);
        switchTo("en");

        QVERIFY(english.size() > 100);
        QCOMPARE(again, english);
        QCOMPARE(german.keys(), english.keys());
        QStringList stayedEnglish;
        for (auto it = english.cbegin(); it != english.cend(); ++it) {
            if (german.value(it.key()) == it.value() && !sameInBothLanguages(it.value()))
                stayedEnglish << it.key() + ": " + it.value();
        }
        QCOMPARE(stayedEnglish.join("\n"), QString());
    }
};

QTEST_MAIN(TestLanguage)
#include "tst_language.moc"
