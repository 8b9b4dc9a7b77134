#pragma once

#include <QString>
#include <QVector>

namespace IoLinkSim {

// One parameter node of the data file's parameter tree (document.treeGui.default).
struct ParameterSpec
{
    QString id;
    QString type;        // "enumerator", "int", "double", "bool", "action" or "string"
    int index = 0;
    int subIndex = 0;
    int size = 0;        // 6: one-byte value, 7: two-byte value or text
    double min = 0.0;
    double max = 0.0;
    QString defaultValue;
    bool readOnly = false;
    int itemCount = 0;   // choices of an enumerator
};

struct VariantSpec
{
    QString id3;
    double maxRange = 0.0;
    double minRange = 0.0;
    double floatVal = 0.0;
};

struct SensorModelSpec
{
    QString id;
    QString name;
    double max = 0.0;
    double decVal = 0.0;
    QVector<VariantSpec> variants;
};

// What the simulator takes from the data file: the catalogue and every addressed parameter.
class SensorDescription
{
public:
    bool load(const QString &path);
    QString errorString() const { return m_error; }

    const QVector<ParameterSpec> &parameters() const { return m_parameters; }
    const QVector<SensorModelSpec> &sensors() const { return m_sensors; }

    // The model whose id starts the ProductID and its variant whose ID3 ends it; -1 when none.
    bool findVariant(const QString &productId, int *model, int *variant) const;
    // "<id>-G14-<ID3>", the ProductID of a catalogue variant.
    static QString productIdFor(const SensorModelSpec &model, const VariantSpec &variant);

private:
    QVector<ParameterSpec> m_parameters;
    QVector<SensorModelSpec> m_sensors;
    QString m_error;
};

} // namespace IoLinkSim
