#include "utils/thresholdwindowwidget.h"

#include <QMouseEvent>

#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_marker.h>
#include <qwt_plot_zoneitem.h>

#include <algorithm>
#include <cmath>

namespace Utils {

namespace {

// A press this close (pixels) to a mark's line grabs the mark.
constexpr int GrabDistance = 5;

// A plot item that clears its owner's pointer when the plot deletes it, so
// that the overlay and the plot can be destroyed in either order.
template<class Item>
class TrackedItem : public Item
{
public:
    explicit TrackedItem(Item **slot)
        : m_slot(slot)
    {
        *slot = this;
    }
    ~TrackedItem() override
    {
        if (*m_slot == this)
            *m_slot = nullptr;
    }

private:
    Item **m_slot;
};

QwtPlotMarker *makeMark(QwtPlotMarker **slot, const QColor &color)
{
    auto *mark = new TrackedItem<QwtPlotMarker>(slot);
    mark->setLineStyle(QwtPlotMarker::HLine);
    mark->setLinePen(color, 2);
    mark->setLabelAlignment(Qt::AlignLeft | Qt::AlignTop);
    mark->setZ(40.0);
    return mark;
}

} // namespace

ThresholdWindowWidget::ThresholdWindowWidget(QwtPlot *plot, unsigned int componentIndex)
    : QObject(plot)
    , m_plot(plot)
    , m_component(componentIndex)
{
    makeMark(&m_lowerItem, QColor(0, 150, 0))->attach(plot);
    makeMark(&m_upperItem, QColor(200, 0, 0))->attach(plot);
    auto *zone = new TrackedItem<QwtPlotZoneItem>(&m_zoneItem);
    zone->setOrientation(Qt::Horizontal);
    zone->setBrush(QColor(255, 200, 0, 40));
    zone->setZ(5.0);
    zone->attach(plot);
    if (plot)
        plot->canvas()->installEventFilter(this);
    updateItems();
}

ThresholdWindowWidget::~ThresholdWindowWidget()
{
    delete m_lowerItem;
    delete m_upperItem;
    delete m_zoneItem;
}

void ThresholdWindowWidget::allowOverlapping(bool allow)
{
    m_allowOverlapping = allow;
}

void ThresholdWindowWidget::setWindowSizeVisible(bool visible)
{
    m_windowSizeVisible = visible;
    updateItems();
}

void ThresholdWindowWidget::setReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
    if (readOnly)
        m_dragged = -1;
}

void ThresholdWindowWidget::enableLowerMark(bool enable)
{
    m_lowerEnabled = enable;
    if (!enable && m_dragged == LowerMark)
        m_dragged = -1;
    updateItems();
}

void ThresholdWindowWidget::enableUpperMark(bool enable)
{
    m_upperEnabled = enable;
    if (!enable && m_dragged == UpperMark)
        m_dragged = -1;
    updateItems();
}

void ThresholdWindowWidget::setLowerMark(double value)
{
    setMarkValue(LowerMark, value);
}

void ThresholdWindowWidget::setUpperMark(double value)
{
    setMarkValue(UpperMark, value);
}

void ThresholdWindowWidget::notify(unsigned int component, unsigned int mark, double value)
{
    if (component == m_component)
        setMarkValue(mark == LowerMark ? LowerMark : UpperMark, value);
}

void ThresholdWindowWidget::setMarkValue(unsigned int mark, double value)
{
    if (!std::isfinite(value))
        return;
    (mark == LowerMark ? m_lower : m_upper) = value;
    updateItems();
}

void ThresholdWindowWidget::updateItems()
{
    if (m_lowerItem) {
        m_lowerItem->setYValue(m_lower);
        m_lowerItem->setLabel(QwtText(QString::number(m_lower, 'g', 6)));
        m_lowerItem->setVisible(m_lowerEnabled);
    }
    if (m_upperItem) {
        m_upperItem->setYValue(m_upper);
        m_upperItem->setLabel(QwtText(QString::number(m_upper, 'g', 6)));
        m_upperItem->setVisible(m_upperEnabled);
    }
    if (m_zoneItem) {
        m_zoneItem->setInterval(std::min(m_lower, m_upper), std::max(m_lower, m_upper));
        m_zoneItem->setVisible(m_windowSizeVisible && m_lowerEnabled && m_upperEnabled);
    }
    if (m_plot)
        m_plot->replot();
}

int ThresholdWindowWidget::markNear(int y) const
{
    int best = -1;
    double bestDistance = GrabDistance + 0.5;
    const auto consider = [&](unsigned int mark, bool enabled, double value) {
        if (!enabled)
            return;
        const double distance = std::abs(m_plot->transform(QwtPlot::yLeft, value) - y);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = int(mark);
        }
    };
    consider(UpperMark, m_upperEnabled, m_upper);
    consider(LowerMark, m_lowerEnabled, m_lower);
    return best;
}

double ThresholdWindowWidget::draggedValue(int y) const
{
    double value = m_plot->invTransform(QwtPlot::yLeft, y);
    if (!m_allowOverlapping) {
        const bool otherEnabled = m_dragged == LowerMark ? m_upperEnabled : m_lowerEnabled;
        if (otherEnabled)
            value = m_dragged == LowerMark ? std::min(value, m_upper) : std::max(value, m_lower);
    }
    return value;
}

bool ThresholdWindowWidget::eventFilter(QObject *watched, QEvent *event)
{
    // Only the mouse matters. The canvas also sends events while the plot is
    // being destroyed, when m_plot still points at what is no longer a QwtPlot.
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove
        && type != QEvent::MouseButtonRelease)
        return false;
    if (!m_plot || watched != m_plot->canvas())
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto *e = static_cast<QMouseEvent *>(event);
        if (e->button() != Qt::LeftButton || m_readOnly || !m_plot->isEnabled())
            return false;
        m_dragged = markNear(e->pos().y());
        return m_dragged >= 0;
    }
    case QEvent::MouseMove: {
        if (m_dragged < 0)
            return false;
        auto *e = static_cast<QMouseEvent *>(event);
        setMarkValue(unsigned(m_dragged), draggedValue(e->pos().y()));
        return true;
    }
    case QEvent::MouseButtonRelease: {
        auto *e = static_cast<QMouseEvent *>(event);
        if (m_dragged < 0 || e->button() != Qt::LeftButton)
            return false;
        const unsigned int mark = unsigned(m_dragged);
        const double value = draggedValue(e->pos().y());
        m_dragged = -1;
        setMarkValue(mark, value);
        emit emitValueChanged(mark, value);
        return true;
    }
    default:
        return false;
    }
}

} // namespace Utils
