// Shows every kind of property row for a look by eye. With --screenshot FILE it
// saves a picture of the browser instead of opening a window for a person.
#include "propertybrowser/qteditorfactory.h"
#include "propertybrowser/qtpropertymanager.h"
#include "propertybrowser/qttreepropertybrowser.h"
#include "utils/buttonfactory.h"
#include "utils/buttonmanager.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QPixmap>
#include <QTimer>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription("Property browser demo");
    parser.addHelpOption();
    const QCommandLineOption screenshot("screenshot", "Save a picture to <file> and quit.",
                                        "file");
    parser.addOption(screenshot);
    const QCommandLineOption current("current", "Start with the row <name> current.", "name");
    parser.addOption(current);
    parser.process(app);

    QtTreePropertyBrowser browser;
    auto *groups = new QtGroupPropertyManager(&browser);
    auto *bools = new QtBoolPropertyManager(&browser);
    auto *ints = new QtIntPropertyManager(&browser);
    auto *doubles = new QtDoublePropertyManager(&browser);
    auto *strings = new QtStringPropertyManager(&browser);
    auto *enums = new QtEnumPropertyManager(&browser);
    auto *buttons = new Utils::ButtonManager(&browser);
    browser.setFactoryForManager(bools, new QtCheckBoxFactory(&browser));
    browser.setFactoryForManager(ints, new QtSpinBoxFactory(&browser));
    browser.setFactoryForManager(doubles, new QtDoubleSpinBoxFactory(&browser));
    browser.setFactoryForManager(strings, new QtLineEditFactory(&browser));
    browser.setFactoryForManager(enums, new QtEnumEditorFactory(&browser));
    browser.setFactoryForManager(buttons, new Utils::ButtonFactory(&browser));
    browser.setResizeMode(QtTreePropertyBrowser::ResizeToContents);
    browser.setRootIsDecorated(true);

    QtProperty *root = groups->addProperty("Pressure sensor PN-4711");
    QtProperty *device = groups->addProperty("Device");
    QtProperty *tag = strings->addProperty("Application tag");
    strings->setValue(tag, "Tank 3 outlet");
    QtProperty *serial = strings->addProperty("Serial number");
    strings->setValue(serial, "000123456");
    serial->setEnabled(false);
    device->addSubProperty(tag);
    device->addSubProperty(serial);

    QtProperty *output = groups->addProperty("Output 1");
    QtProperty *mode = enums->addProperty("Switching mode");
    enums->setEnumNames(mode, {"Hysteresis", "Window", "Off"});
    QtProperty *setPoint = doubles->addProperty("Set point");
    doubles->setRange(setPoint, 0.0, 250.0);
    doubles->setDecimals(setPoint, 3);
    doubles->setValue(setPoint, 12.5);
    QtProperty *resetPoint = doubles->addProperty("Reset point");
    doubles->setRange(resetPoint, 0.0, 250.0);
    doubles->setDecimals(resetPoint, 3);
    doubles->setValue(resetPoint, 11.75);
    QtProperty *delay = ints->addProperty("Switch delay (ms)");
    ints->setRange(delay, 0, 5000);
    ints->setValue(delay, 40);
    QtProperty *invert = bools->addProperty("Normally closed");
    bools->setValue(invert, true, QString(), QString());
    for (QtProperty *property : {mode, setPoint, resetPoint, delay, invert})
        output->addSubProperty(property);

    QtProperty *service = groups->addProperty("Service");
    QtProperty *display = bools->addProperty("Display on");
    QtProperty *locked = bools->addProperty("Keys locked (read only)");
    locked->setEnabled(false);
    QtProperty *teach = buttons->addProperty("Teach zero point");
    buttons->setValue(teach, "Teach");
    QtProperty *reset = buttons->addProperty("Factory reset");
    buttons->setValue(reset, "Reset");
    for (QtProperty *property : {display, locked, teach, reset})
        service->addSubProperty(property);

    root->addSubProperty(device);
    root->addSubProperty(output);
    root->addSubProperty(service);
    browser.addProperty(root);
    browser.setWindowTitle("Property browser demo");
    browser.resize(440, 480);

    QObject::connect(buttons, &Utils::ButtonManager::buttonClicked, &browser,
                     [](QtProperty *property) {
                         std::printf("clicked: %s\n", qPrintable(property->propertyName()));
                     });

    if (parser.isSet(screenshot)) {
        // One open editor shows in the picture: the set point's, unless chosen.
        QtProperty *shown = setPoint;
        const QString name = parser.value(current);
        const auto managers = browser.findChildren<QtAbstractPropertyManager *>();
        for (QtAbstractPropertyManager *manager : managers) {
            for (QtProperty *property : manager->properties()) {
                if (property->propertyName() == name)
                    shown = property;
            }
        }
        browser.setCurrentItem(browser.items(shown).value(0));
        browser.show();
        QTimer::singleShot(100, &browser, [&browser, &parser, &screenshot] {
            const QString file = parser.value(screenshot);
            const bool saved = browser.grab().save(file, "PNG");
            std::printf("%s %s\n", saved ? "saved" : "could not save", qPrintable(file));
            QApplication::exit(saved ? 0 : 1);
        });
        return app.exec();
    }
    browser.show();
    return app.exec();
}
