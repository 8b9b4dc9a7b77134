#include "utils/plotdocument.h"

#include <QFileInfo>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>

#include <qwt_plot.h>
#include <qwt_plot_renderer.h>

namespace Utils {

PlotDocument::PlotDocument(QwtPlot *plot, QObject *parent)
    : QObject(parent)
    , m_plot(plot)
{}

void PlotDocument::vPrintDocument()
{
    if (!m_plot)
        return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setDocName(m_plot->title().text());
    // On the heap: the plot's window may be deleted while the dialog is up, and
    // a dialog on the stack would then be deleted twice.
    QPointer<QPrintDialog> dialog = new QPrintDialog(&printer, m_plot);
    const int result = dialog->exec();
    if (!dialog)
        return;
    delete dialog.data();
    if (result == QDialog::Accepted)
        render(&printer);
}

bool PlotDocument::render(QPagedPaintDevice *device) const
{
    if (!m_plot || !device)
        return false;
    QPainter painter;
    if (!painter.begin(device))
        return false;
    const QRect page = painter.viewport();
    QwtPlotRenderer renderer;
    renderer.setDiscardFlag(QwtPlotRenderer::DiscardBackground, true);
    renderer.setDiscardFlag(QwtPlotRenderer::DiscardCanvasBackground, true);
    renderer.render(m_plot, &painter, QRectF(page));
    return painter.end();
}

bool PlotDocument::renderToPdf(const QString &path) const
{
    if (!m_plot)
        return false;
    {
        QPdfWriter writer(path);
        writer.setPageOrientation(QPageLayout::Landscape);
        writer.setTitle(m_plot->title().text());
        if (!render(&writer))
            return false;
    }
    const QFileInfo info(path);
    return info.exists() && info.size() > 0;
}

} // namespace Utils
