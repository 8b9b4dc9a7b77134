#pragma once

#include "utils/observer.h"
#include "utils/utils_global.h"

#include <QObject>
#include <QPointer>

#include <qwt_plot.h>
class QwtPlotMarker;
class QwtPlotZoneItem;

namespace Utils {

// Lower and upper threshold marks drawn as horizontal lines on a plot (left
// axis). While enabled and not read-only, a mark can be dragged with the left
// mouse button; when the drag ends, emitValueChanged() reports the value under
// the mouse once. Setting a mark from code emits nothing. The overlay belongs
// to the plot and lives as long as it, or until deleted.
class UTILS_EXPORT ThresholdWindowWidget : public QObject, public Observer
{
    Q_OBJECT
    Q_DISABLE_COPY(ThresholdWindowWidget)

public:
    enum Mark : unsigned int { LowerMark = 0, UpperMark = 1 };

    ThresholdWindowWidget(QwtPlot *plot, unsigned int componentIndex);
    ~ThresholdWindowWidget() override;

    unsigned int getComponentIndex() const { return m_component; }
    QwtPlot *plot() const { return m_plot; }

    // When false, a dragged mark stops at the other one.
    void allowOverlapping(bool allow);
    bool isOverlappingAllowed() const { return m_allowOverlapping; }
    // Shades the band between the two marks.
    void setWindowSizeVisible(bool visible);
    bool isWindowSizeVisible() const { return m_windowSizeVisible; }
    void setReadOnly(bool readOnly);
    bool isReadOnly() const { return m_readOnly; }
    void enableLowerMark(bool enable);
    void enableUpperMark(bool enable);
    bool isLowerMarkEnabled() const { return m_lowerEnabled; }
    bool isUpperMarkEnabled() const { return m_upperEnabled; }
    void setLowerMark(double value);
    void setUpperMark(double value);
    double lowerMark() const { return m_lower; }
    double upperMark() const { return m_upper; }
    bool isDragging() const { return m_dragged >= 0; }

    // Sets a mark of this overlay's component; other components are ignored.
    void notify(unsigned int component, unsigned int mark, double value) override;

signals:
    void emitValueChanged(unsigned int mark, const double value);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    int markNear(int y) const;
    double draggedValue(int y) const;
    void setMarkValue(unsigned int mark, double value);
    void updateItems();

    QPointer<QwtPlot> m_plot;
    unsigned int m_component;
    QwtPlotMarker *m_lowerItem = nullptr;
    QwtPlotMarker *m_upperItem = nullptr;
    QwtPlotZoneItem *m_zoneItem = nullptr;
    double m_lower = 0.0;
    double m_upper = 0.0;
    bool m_allowOverlapping = false;
    bool m_windowSizeVisible = false;
    bool m_readOnly = false;
    bool m_lowerEnabled = true;
    bool m_upperEnabled = true;
    int m_dragged = -1;
};

} // namespace Utils
