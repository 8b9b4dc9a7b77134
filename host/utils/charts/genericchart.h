#pragma once

#include "utils/utils_global.h"
#include "utils/charts/charthistory.h"
#include "utils/charts/valueovertime.h"

#include <QColor>
#include <QString>
#include <QVector>
#include <QWidget>

#include <memory>
#include <string>
#include <vector>

class QGridLayout;
class QLabel;
class QMainWindow;
class QTimer;
class QWheelEvent;
class QwtPlot;
class QwtPlotMarker;
class QwtPlotZoneItem;

namespace Utils {
namespace Charts {

class HistoryCurve;
struct ChartRow;

// Live chart of one or more plot rows. Each row records points of a value
// (left axis) and an analog value (right axis), each stamped with its time of
// arrival. The live view follows the newest data with its end an eighth of the
// span ahead of the newest point, and moves on when a point passes the end, so
// that in between new points only add pixel columns to the picture. It follows
// until the user pans (left drag) or zooms (wheel: time; Ctrl+wheel: value
// axis) with the mouse; a double click or jumpToPlottingArea() returns to the
// live view. An overview strip under the plots shows the whole history and the
// part in view; a click on it centres the view there.
class UTILS_EXPORT GenericChart : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(GenericChart)

public:
    // mainWindow is only kept (see mainWindow()); timelineVisible shows the
    // overview strip, legendVisible a legend of the curves on every plot.
    explicit GenericChart(int rows, QWidget *parent = nullptr, QMainWindow *mainWindow = nullptr,
                          bool timelineVisible = true, bool legendVisible = false);
    ~GenericChart() override;

    int rowCount() const { return int(m_rows.size()); }
    QMainWindow *mainWindow() const { return m_mainWindow; }

    void setCurrentValuePrecision(int row, int decimals);
    // Range of the left axis, also the range a zoom reset returns to.
    void setScale(int row, double low, double high);
    void vSetYScale(int row, double low, double high);
    void setTimelineScale(double low, double high);
    // When false, the left axis never goes below zero (the data are kept as they are).
    void setAllowNegativeValues(int row, bool allow);
    void setPlotColor(int row, const QColor &lineColor, bool antialiased,
                      const QColor &fillColor, int lineWidth);
    // Shows or hides the tick labels of the time and left axes.
    void vSetLabels(bool visible);
    // Layout rows: each call adds a layout row holding the next `plots` plot
    // rows; UpdateLayout() applies them. Plot rows left over get a layout row each.
    void AddLayoutRow(int plots);
    void UpdateLayout();
    // How far, in pixels, the view may be panned before the first point
    // (min) and beyond the newest point (max).
    void setMinPanOffset(int row, int pixels);
    void setMaxPanOffset(int row, int pixels);
    void setPlotTitle(int row, const QString &title, bool bold, const QString &toolTip,
                      bool visible);
    // Axis titles of the left and right axis.
    void setCustomLabelsText(int row, const QString &left, const QString &right);
    void setCustomLabelsVisible(int row, bool left, bool right);
    // A line at the newest finite analog value against the right axis ...
    void setRightMarkerVisible(int row, bool visible);
    // ... and the value written on it.
    void vSetMarkerRightVisible(int row, bool visible);
    // The right axis and the analog curve drawn against it.
    void vEnableYRightAxis(int row, bool enable);
    void setYRightAxisScale(int row, double low, double high, double step);
    // Level to which the area under the value curves is filled.
    void setBaselineTo(double baseline);
    void UpdateMinimumHeights(int windowHeight);
    // Back to the live view and the value range set by setScale().
    void jumpToPlottingArea();

    // Appends a point stamped with the current time (never earlier than the
    // row's newest point, should the clock go back). showValue / showAnalog:
    // the current-value display shows the value / the analog value of this
    // point. The two trailing numbers are accepted and not used.
    void vAppendData(int row, double value, bool showValue, double analogValue, bool showAnalog,
                     double unused1 = -1.0, double unused2 = -1.0);
    // Appends a point with a given time; refused (false) when the time is not
    // finite or lies before the row's newest point.
    bool appendDataAt(int row, double timeMs, double value, double analogValue);

    ValueOverTime getData(int row) const;
    ValueOverTime getAnalogData(int row) const;
    const ChartHistory &history(int row) const;
    void clear();

    QwtPlot *poPlot(int row) const;
    QwtPlot *timelinePlot() const { return m_timeline; }
    HistoryCurve *valueCurve(int row) const;
    HistoryCurve *analogCurve(int row) const;
    QString currentValueText(int row) const;
    QwtPlotMarker *rightMarker(int row) const;

    // Redraws now; with jumpToNewest also returns to the live view.
    void updateChart(bool jumpToNewest);
    // How often the plots were redrawn whole since the chart was made; new points
    // that fit the view are painted onto the last picture instead.
    int fullRedrawCount() const { return m_fullRedraws; }

    bool isFollowingNewest() const { return m_following; }
    double viewStart() const { return m_viewStart; }
    double viewEnd() const { return m_viewEnd; }
    double viewSpan() const { return m_viewEnd - m_viewStart; }
    // Width of the live view in milliseconds.
    void setLiveSpan(double milliseconds);
    double liveSpan() const { return m_liveSpan; }
    // Sets the view; leaves the live view. Limited by the pan offsets.
    void setView(double startMs, double endMs);

    QString dataToString(QChar separator = QLatin1Char(';')) const;
    // Replaces the whole history; malformed text changes nothing and gives false.
    bool setDataFromString(const QString &text, QChar separator);
    // The same as bytes, for files: no conversion of a day's millions of characters.
    std::string dataToUtf8(QChar separator = QLatin1Char(';')) const;
    bool setDataFromUtf8(const std::string &text, QChar separator);

signals:
    void vSignalZommResetForNoiseLine();
    // After every redraw, whole or of new points only: displays that should
    // change together with the plots follow this.
    void refreshed();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    ChartRow *rowAt(int row) const;
    std::vector<const ChartHistory *> histories() const;
    void takeHistory(std::vector<ChartHistory> &parsed);
    void scheduleRefresh();
    void refresh();
    bool paintNewPoints();
    bool overviewCovers(ChartRow &row) const;
    void applyView();
    void fitTimeLabels(ChartRow &row);
    void limitView(double &start, double &end) const;
    double firstTime() const;
    double lastTime() const;
    double msPerPixel() const;
    bool handleCanvasEvent(ChartRow &row, QEvent *event);
    bool handleWheel(ChartRow &row, QWheelEvent *event);
    bool handleTimelineEvent(QEvent *event);

    std::vector<std::unique_ptr<ChartRow>> m_rows;
    QMainWindow *m_mainWindow;
    QGridLayout *m_grid = nullptr;
    QwtPlot *m_timeline = nullptr;
    QwtPlotZoneItem *m_timelineZone = nullptr;
    QTimer *m_refreshTimer = nullptr;
    QVector<int> m_layoutRows;
    bool m_labelsVisible = true;
    double m_baseline = 0.0;
    bool m_following = true;
    double m_liveSpan = 60000.0;
    double m_viewStart = 0.0;
    double m_viewEnd = 0.0;
    double m_timelineLow = 0.0;
    double m_timelineHigh = 100.0;
    int m_fullRedraws = 0;
};

} // namespace Charts
} // namespace Utils
