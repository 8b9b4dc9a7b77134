#pragma once

#include "utils/utils_global.h"

#include <QObject>
#include <QPointer>

class QPagedPaintDevice;
#include <qwt_plot.h>

namespace Utils {

// Prints a plot, or writes it to a PDF file, on one landscape page.
class UTILS_EXPORT PlotDocument : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(PlotDocument)

public:
    explicit PlotDocument(QwtPlot *plot, QObject *parent = nullptr);

    // Asks for a printer with the print dialog and prints there when accepted.
    void vPrintDocument();
    bool renderToPdf(const QString &path) const;
    bool render(QPagedPaintDevice *device) const;

private:
    QPointer<QwtPlot> m_plot;
};

} // namespace Utils
