#include "utils/thresholdmultimanager.h"
#include "utils/thresholdwindowwidget.h"

#include <QtTest>

#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_marker.h>

#include <memory>

using Utils::ThresholdMultiManager;
using Utils::ThresholdWindowWidget;

namespace {

int markerCount(const QwtPlot &plot)
{
    return plot.itemList(QwtPlotItem::Rtti_PlotMarker).size();
}

class RecordingObserver : public Utils::Observer
{
public:
    void notify(unsigned int component, unsigned int mark, double value) override
    {
        calls << QVariantList{component, mark, value};
    }
    QList<QVariantList> calls;
};

} // namespace

class TestThresholdWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void dragEmitsOnceWithValueUnderMouse_data();
    void dragEmitsOnceWithValueUnderMouse();
    void dragIsRefused_data();
    void dragIsRefused();
    void marksDoNotCrossWithoutOverlapping_data();
    void marksDoNotCrossWithoutOverlapping();
    void settingMarksFromCodeEmitsNothing();
    void overlayAndPlotDieInEitherOrder();
    void managerPassesThresholdsToObservers();

private:
    int yOf(double value) const { return int(m_plot->transform(QwtPlot::yLeft, value)); }
    void drag(int fromY, int toY);

    std::unique_ptr<QwtPlot> m_plot;
    ThresholdWindowWidget *m_overlay = nullptr;
};

void TestThresholdWindow::init()
{
    m_plot = std::make_unique<QwtPlot>();
    m_plot->setAxisScale(QwtPlot::yLeft, 0.0, 10.0);
    m_plot->setAxisScale(QwtPlot::xBottom, 0.0, 100.0);
    m_plot->resize(500, 400);
    m_plot->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_plot.get()));
    m_plot->replot();
    m_overlay = new ThresholdWindowWidget(m_plot.get(), 3);
    m_overlay->setLowerMark(2.5);
    m_overlay->setUpperMark(5.0);
}

void TestThresholdWindow::cleanup()
{
    m_plot.reset();
}

void TestThresholdWindow::drag(int fromY, int toY)
{
    QWidget *canvas = m_plot->canvas();
    const int x = canvas->width() / 2;
    QTest::mousePress(canvas, Qt::LeftButton, Qt::NoModifier, QPoint(x, fromY));
    const int steps = 6;
    for (int i = 1; i <= steps; ++i) {
        QMouseEvent move(QEvent::MouseMove, QPointF(x, fromY + (toY - fromY) * i / steps),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(canvas, &move);
    }
    QTest::mouseRelease(canvas, Qt::LeftButton, Qt::NoModifier, QPoint(x, toY));
}

void TestThresholdWindow::dragEmitsOnceWithValueUnderMouse_data()
{
    QTest::addColumn<double>("grabAt");
    QTest::addColumn<int>("grabOffset");
    QTest::addColumn<double>("dropAt");
    QTest::addColumn<uint>("mark");
    QTest::newRow("lower mark dragged up") << 2.5 << 0 << 4.0 << 0u;
    QTest::newRow("lower mark grabbed a few pixels off, dragged down") << 2.5 << 3 << 1.0 << 0u;
    QTest::newRow("upper mark dragged up") << 5.0 << 0 << 8.5 << 1u;
    QTest::newRow("upper mark dragged down, still above the lower") << 5.0 << -2 << 3.0 << 1u;
}

void TestThresholdWindow::dragEmitsOnceWithValueUnderMouse()
{
    QFETCH(double, grabAt);
    QFETCH(int, grabOffset);
    QFETCH(double, dropAt);
    QFETCH(uint, mark);
    QSignalSpy changed(m_overlay, &ThresholdWindowWidget::emitValueChanged);
    const int dropY = yOf(dropAt);
    drag(yOf(grabAt) + grabOffset, dropY);

    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).toUInt(), mark);
    const double expected = m_plot->invTransform(QwtPlot::yLeft, dropY);
    QCOMPARE(changed.at(0).at(1).toDouble(), expected);
    QCOMPARE(mark == 0 ? m_overlay->lowerMark() : m_overlay->upperMark(), expected);
    QVERIFY(!m_overlay->isDragging());
}

void TestThresholdWindow::dragIsRefused_data()
{
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<bool>("lowerEnabled");
    QTest::addColumn<int>("grabOffset");
    QTest::newRow("read-only overlay") << true << true << 0;
    QTest::newRow("disabled mark") << false << false << 0;
    QTest::newRow("press too far from the line") << false << true << 12;
}

void TestThresholdWindow::dragIsRefused()
{
    QFETCH(bool, readOnly);
    QFETCH(bool, lowerEnabled);
    QFETCH(int, grabOffset);
    m_overlay->setReadOnly(readOnly);
    m_overlay->enableLowerMark(lowerEnabled);
    QSignalSpy changed(m_overlay, &ThresholdWindowWidget::emitValueChanged);
    drag(yOf(2.5) + grabOffset, yOf(1.0));
    QCOMPARE(changed.count(), 0);
    QCOMPARE(m_overlay->lowerMark(), 2.5);
}

void TestThresholdWindow::marksDoNotCrossWithoutOverlapping_data()
{
    QTest::addColumn<bool>("overlapping");
    QTest::addColumn<double>("expected");
    QTest::newRow("overlapping refused: lower stops at the upper mark") << false << 5.0;
    QTest::newRow("overlapping allowed: lower passes the upper mark") << true << -1.0;
}

void TestThresholdWindow::marksDoNotCrossWithoutOverlapping()
{
    QFETCH(bool, overlapping);
    QFETCH(double, expected);
    m_overlay->allowOverlapping(overlapping);
    QSignalSpy changed(m_overlay, &ThresholdWindowWidget::emitValueChanged);
    const int dropY = yOf(8.0);
    drag(yOf(2.5), dropY);
    QCOMPARE(changed.count(), 1);
    if (expected < 0)
        expected = m_plot->invTransform(QwtPlot::yLeft, dropY);
    QCOMPARE(changed.at(0).at(1).toDouble(), expected);
}

void TestThresholdWindow::settingMarksFromCodeEmitsNothing()
{
    QSignalSpy changed(m_overlay, &ThresholdWindowWidget::emitValueChanged);
    m_overlay->setLowerMark(1.0);
    m_overlay->setUpperMark(9.0);
    m_overlay->notify(3, 0, 1.5);
    m_overlay->notify(4, 0, 7.0); // another component: ignored
    QCOMPARE(changed.count(), 0);
    QCOMPARE(m_overlay->lowerMark(), 1.5);
    QCOMPARE(m_overlay->upperMark(), 9.0);
    QCOMPARE(m_overlay->getComponentIndex(), 3u);
}

void TestThresholdWindow::overlayAndPlotDieInEitherOrder()
{
    QCOMPARE(markerCount(*m_plot), 2);
    delete m_overlay;
    QCOMPARE(markerCount(*m_plot), 0);
    m_plot->replot();

    // The plot's own teardown deletes an overlay that is still there.
    QPointer<ThresholdWindowWidget> second = new ThresholdWindowWidget(m_plot.get(), 0);
    QCOMPARE(markerCount(*m_plot), 2);
    m_plot.reset();
    QVERIFY(second.isNull());
}

void TestThresholdWindow::managerPassesThresholdsToObservers()
{
    ThresholdMultiManager manager(0);
    manager.setOutputs(2);
    QCOMPARE(manager.outputs(), 2);
    RecordingObserver observer;
    manager.addObserver(&observer);
    manager.addObserver(m_overlay);
    QSignalSpy changed(&manager, &ThresholdMultiManager::thresholdChanged);

    manager.notify(3, 1, 7.5); // output 3 does not exist
    QCOMPARE(changed.count(), 0);
    manager.setOutputs(4);
    manager.notify(3, 1, 7.5);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(manager.threshold(3, 1), 7.5);
    QCOMPARE(observer.calls.size(), 1);
    QCOMPARE(observer.calls.at(0), (QVariantList{3u, 1u, 7.5}));
    QCOMPARE(m_overlay->upperMark(), 7.5);
    manager.setThreshold(3, 1, 7.5); // unchanged: nobody is told
    QCOMPARE(observer.calls.size(), 1);
    manager.removeObserver(&observer);
    manager.setThreshold(0, 0, 1.0);
    QCOMPARE(observer.calls.size(), 1);
}

QTEST_MAIN(TestThresholdWindow)
#include "tst_thresholdwindow.moc"
