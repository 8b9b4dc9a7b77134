#include "window/sensorwindow.h"

#include "chart/rowsizedelegate.h"
#include "window/sensorwindowstate.h"

#include "chart/processdatapanel.h"

#include <QAction>
#include <QDockWidget>
#include <QGridLayout>
#include <QHeaderView>
#include <QIcon>
#include <QTimer>
#include <QTreeWidget>
#include <QTreeWidgetItem>

#include <iterator>

namespace OrvexSensorPlugin {
namespace Core {

namespace {

struct RowLook
{
    const char *stateText;   // translated, except the blank value text
    const char *icon;
    int size;
};

// The left column of parameter tree and process data: room for the names and a
// value column of 120 pixels, the rest of the window is the chart's.
constexpr int propertyColumnWidth = 340;

// Rows by position: output 1, output 2, signal quality, process value.
const RowLook rowLooks[] = {
    {QT_TRANSLATE_NOOP("OrvexSensorPlugin::Core::SensorWindow", "Off"),
     ":/newPrefix/icons/led_state_1_1.svg", 40},
    {QT_TRANSLATE_NOOP("OrvexSensorPlugin::Core::SensorWindow", "Off"),
     ":/newPrefix/icons/led_state_1_2.svg", 40},
    {QT_TRANSLATE_NOOP("OrvexSensorPlugin::Core::SensorWindow", "OK"),
     ":/newPrefix/icons/Check_box_galben_Negru_mare.svg", 40},
    {nullptr, ":/newPrefix/icons/statistics.svg", 32},
};

} // namespace

void SensorWindow::createProcessDataDock()
{
    auto *dock = new QDockWidget(this);
    state->processDataDock = dock;
    dock->setWindowTitle(tr(" Process data"));
    dock->setObjectName(QStringLiteral("processdata"));
    dock->setAllowedAreas(Qt::AllDockWidgetAreas);
    dock->setStyleSheet(QStringLiteral("QWidget {border: 1px solid lightgray;}"));
    dock->toggleViewAction()->setIcon(
        QIcon(QStringLiteral(":/newPrefix/icons/Sensorenliste.svg")));
    addAction(dock->toggleViewAction());

    auto *inner = new QWidget(dock);
    auto *grid = new QGridLayout(inner);
    grid->setContentsMargins(0, 0, 1, 0);
    auto *tree = new QTreeWidget(inner);
    state->processDataTree = tree;
    tree->setAlternatingRowColors(true);
    tree->setColumnCount(2);
    tree->setHeaderHidden(true);
    tree->setIconSize(QSize(32, 32));
    tree->setFrameShadow(QFrame::Plain);
    tree->setSelectionMode(QAbstractItemView::NoSelection);
    tree->setItemsExpandable(true);
    tree->setItemDelegate(new RowSizeDelegate(tree));

    fillProcessDataRows(tree);
    showNoReadings(state->processDataItems);
    tree->resizeColumnToContents(0);
    // The dock's style sheet leaves the rows' background to what lies behind
    // them; filled, a new reading repaints its row alone, not the dock and window.
    tree->ensurePolished();
    tree->viewport()->setAutoFillBackground(true);

    grid->addWidget(tree, 0, 0, 1, 4);
    dock->setWidget(inner);
    dock->installEventFilter(this);
    dock->setMinimumWidth(280);
    // Every row in view without scrolling.
    int rowsHeight = 2 * tree->frameWidth() + 2;
    for (int row = 0; row < tree->topLevelItemCount(); ++row)
        rowsHeight += tree->topLevelItem(row)->isHidden() ? 0 : tree->sizeHintForRow(row);
    tree->setMinimumHeight(rowsHeight);
    // Below the parameter tree, so that the chart keeps the window's width.
    addDockWidget(Qt::LeftDockWidgetArea, dock, Qt::Vertical);
    // Dock sizes take effect once the window has its own size, after the host showed it.
    QTimer::singleShot(0, this, [this, dock, rowsHeight] {
        resizeDocks({dock}, {rowsHeight}, Qt::Vertical);
        if (state->propertyDock)
            resizeDocks({state->propertyDock}, {propertyColumnWidth}, Qt::Horizontal);
    });
}

// One row per category of the description, in its order, with the look of
// its position.
void SensorWindow::fillProcessDataRows(QTreeWidget *tree)
{
    categoryLabels.clear();
    categoryRows.clear();
    state->processDataItems.clear();
    if (const auto rows = descriptionTree.get_child_optional("document.guiCategory.default")) {
        int position = 0;
        for (const auto &child : *rows) {
            if (child.first == "<xmlattr>" || child.first == "<xmlcomment>")
                continue;
            readCategoryLabel(child.second, position);
            auto *item = new QTreeWidgetItem(tree);
            state->processDataItems.append(item);
            if (position < int(std::size(rowLooks))) {
                const RowLook &look = rowLooks[position];
                item->setText(1, look.stateText ? tr(look.stateText) : QStringLiteral(" 0"));
                item->setIcon(1, QIcon(QLatin1String(look.icon)));
                item->setSizeHint(1, QSize(look.size, look.size));
            }
            const std::string visible = child.second.get<std::string>("<xmlattr>.visible", "");
            item->setHidden(visible != "true");
            ++position;
        }
    }

    // Status tips name the rows' identifiers in sorted order, as categoryRows keeps them.
    const QStringList ids = categoryRows.keys();
    for (int i = 0; i < state->processDataItems.size(); ++i) {
        QTreeWidgetItem *item = state->processDataItems.at(i);
        item->setText(0, categoryLabels.value(i) + QStringLiteral("     "));
        item->setStatusTip(0, ids.value(i));
    }
}

} // namespace Core
} // namespace OrvexSensorPlugin
