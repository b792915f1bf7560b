#include "inspector/inspectordock.h"

#include "simlink/layerblock.h"
#include "views/cwidget.h"
#include "views/viewcomposite.h"
#include "views/viewhost.h"
#include "views/viewlayer.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

enum Column { ColTitle, ColPixel, ColCovers, ColStored, ColShown, ColRate, ColChanges, ColumnCount };

void setCell(QTableWidget *table, int row, int column, const QString &text)
{
    QTableWidgetItem *item = table->item(row, column);
    if (!item) {
        item = new QTableWidgetItem;
        item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
        table->setItem(row, column, item);
    }
    if (item->text() != text)
        item->setText(text);
}

ImageRules currentRules()
{
    ImageRules rules;
    if (ViewHost *host = mainWindow()) {
        rules.alphaMode = host->alphaMode;
        rules.layerCount = host->layerCount;
    }
    return rules;
}

QString pointText(QPoint p)
{
    return QStringLiteral("%1, %2").arg(p.x()).arg(p.y());
}

} // namespace

InspectorDock::InspectorDock(QWidget *parent)
    : QDockWidget(QStringLiteral("Pixel Inspector"), parent)
{
    setObjectName(QStringLiteral("PixelInspector"));
    QWidget *body = new QWidget(this);
    QVBoxLayout *layout = new QVBoxLayout(body);

    positionLabel = new QLabel(QStringLiteral("Display position: -"), body);
    layout->addWidget(positionLabel);

    table = new QTableWidget(0, ColumnCount, body);
    table->setHorizontalHeaderLabels(
        {QStringLiteral("Layer"), QStringLiteral("Pixel"), QStringLiteral("Covers"), QStringLiteral("Stored"),
         QStringLiteral("Shown"), QStringLiteral("Updates/s"), QStringLiteral("Changes (10 s)")});
    table->verticalHeader()->hide();
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    layout->addWidget(table, 1);

    QHBoxLayout *buttons = new QHBoxLayout;
    watchButton = new QPushButton(QStringLiteral("&Watch pixel"), body);
    clearButton = new QPushButton(QStringLiteral("Clear"), body);
    QPushButton *copyTable = new QPushButton(QStringLiteral("Copy table"), body);
    QPushButton *copyHistory = new QPushButton(QStringLiteral("Copy history"), body);
    for (QPushButton *b : {watchButton, clearButton, copyTable, copyHistory})
        buttons->addWidget(b);
    layout->addLayout(buttons);
    connect(watchButton, &QPushButton::clicked, this, &InspectorDock::OnBtnWatchClicked);
    connect(clearButton, &QPushButton::clicked, this, &InspectorDock::OnBtnClearClicked);
    connect(copyTable, &QPushButton::clicked, this, &InspectorDock::OnCopyTable);
    connect(copyHistory, &QPushButton::clicked, this, &InspectorDock::OnCopyHistory);

    watchLabel = new QLabel(QStringLiteral("No pixel watched."), body);
    layout->addWidget(watchLabel);
    history = new QTreeWidget(body);
    history->setRootIsDecorated(false);
    history->setHeaderLabels({QStringLiteral("ms"), QStringLiteral("Counter"), QStringLiteral("Change")});
    layout->addWidget(history, 1);

    setWidget(body);
    clock.start();
}

void InspectorDock::SetLayerViews(const QList<ViewLayer *> *views)
{
    layerViews = views;
    contentCounters.clear();
    paletteCounters.clear();
    rates.clear();
    shownRates.clear();
    dirty = true;
}

void InspectorDock::setCompositeView(ViewComposite *view)
{
    compositeView = view;
    dirty = true;
}

QList<inspector::InspectLayer> InspectorDock::ReadLayers() const
{
    QList<inspector::InspectLayer> list;
    if (!layerViews)
        return list;
    for (ViewLayer *view : *layerViews) {
        inspector::InspectLayer layer;
        layer.title = view->GetTitle();
        layer.layout = view->Layout();
        layer.inComposite = !compositeView || compositeView->layerShown(view->GetIndex());
        if (layer.layout.indexed)
            layer.palette = view->CurrentPalette();
        if (view->Comparing()) {
            layer.comparing = true;
            if (view->differences())
                layer.reference = view->ReferenceImage();
            layer.referenceOffset = view->ReferenceOffset();
        }
        list.append(layer);
    }
    return list;
}

QStringList InspectorDock::Titles() const
{
    QStringList titles;
    if (layerViews)
        for (ViewLayer *view : *layerViews)
            titles.append(view->GetTitle());
    return titles;
}

void InspectorDock::OnPixelHovered(int viewKind, int layer, QPoint layerPixel)
{
    if (!isVisible())
        return;
    if (hovered && hoverKind == viewKind && hoverLayer == layer && hoverPixel == layerPixel)
        return;
    SetHovered(viewKind, layer, layerPixel);
}

void InspectorDock::SetHovered(int viewKind, int layer, QPoint layerPixel)
{
    hovered = true;
    hoverKind = viewKind;
    hoverLayer = layer;
    hoverPixel = layerPixel;
    dirty = true;
}

QPoint InspectorDock::HoveredDisplay() const
{
    if (hoverKind == ViewId::Composite || !layerViews)
        return hoverPixel;
    BlockView block;
    for (ViewLayer *view : *layerViews)
        if (view->GetIndex() == hoverLayer)
            block = view->GetRecord();
    return inspector::displayPoint(hoverKind, block, hoverPixel);
}

bool InspectorDock::CountersChanged()
{
    bool changed = false;
    const int n = layerViews ? int(layerViews->size()) : 0;
    if (contentCounters.size() != n) {
        contentCounters = QList<qint32>(n, 0);
        paletteCounters = QList<qint32>(n, 0);
        rates = QList<inspector::UpdateRate>(n);
        changed = true;
    }
    const qint64 now = clock.elapsed();
    for (int i = 0; i < n; ++i) {
        const BlockView block = layerViews->at(i)->GetRecord();
        const qint32 content = simlink::contentCounter(block);
        const qint32 palette = simlink::paletteCounter(block);
        rates[i].sample(now, content);
        if (content != contentCounters.at(i) || palette != paletteCounters.at(i)) {
            contentCounters[i] = content;
            paletteCounters[i] = palette;
            changed = true;
        }
    }
    return changed;
}

void InspectorDock::OnTimerRefresh()
{
    if (!isVisible() || !layerViews || layerViews->isEmpty())
        return;
    const bool changed = CountersChanged();
    // A layer left out of (or put back into) the composite changes its row.
    const quint32 leftOut = compositeView ? compositeView->leftOutLayers() : 0;
    if (leftOut != leftOutSeen) {
        leftOutSeen = leftOut;
        dirty = true;
    }
    if (changed || dirty) {
        dirty = false;
        const QList<inspector::InspectLayer> layers = ReadLayers();
        const ImageRules rules = currentRules();
        if (hovered) {
            current = inspector::inspect(layers, rules, HoveredDisplay());
            ShowInspection();
        }
        if (changed && watch.active()) {
            const inspector::Inspection at = inspector::inspect(layers, rules, watch.point());
            QList<QString> values;
            for (const inspector::LayerRow &row : at.layers)
                values.append(row.stored);
            if (watch.record(watchClock.elapsed(), values, contentCounters))
                AddHistoryItem(watch.entries().first());
        }
    }
    ShowRates();
    ShowChanges();
}

void InspectorDock::ShowChanges()
{
    // The counts move with the clock, not only with the counters: read on
    // every tick, from the views whose heat map is on.
    const int n = qMin(int(current.layers.size()), table->rowCount() - 1);
    for (int i = 0; i < n && layerViews && i < layerViews->size(); ++i) {
        inspector::LayerRow &row = current.layers[i];
        const int c = row.covers ? layerViews->at(i)->ChangesAt(row.layerPixel) : -1;
        if (c != row.changes || !table->item(i, ColChanges)) {
            row.changes = c;
            setCell(table, i, ColChanges, inspector::changesText(c));
        }
    }
    if (table->rowCount() == 0)
        return;
    const int c = compositeView && !current.composite.isEmpty() ? compositeView->ChangesAt(current.display) : -1;
    if (c != current.compositeChanges || !table->item(table->rowCount() - 1, ColChanges)) {
        current.compositeChanges = c;
        setCell(table, table->rowCount() - 1, ColChanges, inspector::changesText(c));
    }
}

void InspectorDock::ShowInspection()
{
    positionLabel->setText(QStringLiteral("Display position: %1").arg(pointText(current.display)));
    const int rows = int(current.layers.size()) + 1;
    if (table->rowCount() != rows)
        table->setRowCount(rows);
    for (int i = 0; i < current.layers.size(); ++i) {
        const inspector::LayerRow &r = current.layers.at(i);
        setCell(table, i, ColTitle, r.title);
        setCell(table, i, ColPixel, pointText(r.layerPixel));
        setCell(table, i, ColCovers, r.covers ? QStringLiteral("yes") : QStringLiteral("no"));
        setCell(table, i, ColStored, r.stored);
        setCell(table, i, ColShown, r.shown);
    }
    const int c = rows - 1;
    setCell(table, c, ColTitle, QStringLiteral("Composite"));
    setCell(table, c, ColPixel, pointText(current.display));
    setCell(table, c, ColCovers, current.composite.isEmpty() ? QStringLiteral("no") : QStringLiteral("yes"));
    setCell(table, c, ColStored, QString());
    setCell(table, c, ColShown, current.composite);
    setCell(table, c, ColRate, QString());
    shownRates.clear();
}

void InspectorDock::ShowRates()
{
    // Rates go into the layer rows once the table has them.
    const int n = qMax(0, qMin(int(rates.size()), table->rowCount() - 1));
    if (shownRates.size() != n)
        shownRates = QList<int>(n, -1);
    for (int i = 0; i < n; ++i) {
        const int r = rates.at(i).perSecond();
        if (r != shownRates.at(i)) {
            shownRates[i] = r;
            setCell(table, i, ColRate, QString::number(r));
        }
    }
}

void InspectorDock::AddHistoryItem(const inspector::HistoryEntry &entry)
{
    QStringList counters;
    for (const inspector::Change &c : entry.changes)
        counters.append(QString::number(c.counter));
    QTreeWidgetItem *item = new QTreeWidgetItem(
        QStringList{QString::number(entry.ms), counters.join(QStringLiteral(", ")), inspector::changeText(entry, Titles())});
    history->insertTopLevelItem(0, item);
    while (history->topLevelItemCount() > inspector::WatchHistory::MaxEntries)
        delete history->takeTopLevelItem(history->topLevelItemCount() - 1);
}

void InspectorDock::OnBtnWatchClicked()
{
    if (hovered && layerViews)
        StartWatch(HoveredDisplay());
}

void InspectorDock::WatchPixel(int viewKind, int layer, QPoint layerPixel)
{
    if (!layerViews || layerViews->isEmpty())
        return;
    SetHovered(viewKind, layer, layerPixel);
    StartWatch(HoveredDisplay());
}

void InspectorDock::StartWatch(QPoint display)
{
    // Read now, so that the first change is measured against what is there
    // when the watch begins.
    const inspector::Inspection at = inspector::inspect(ReadLayers(), currentRules(), display);
    QList<QString> values;
    for (const inspector::LayerRow &row : at.layers)
        values.append(row.stored);
    watch.start(display, values);
    watchClock.start();
    history->clear();
    watchLabel->setText(QStringLiteral("Watching %1").arg(pointText(display)));
}

void InspectorDock::OnBtnClearClicked()
{
    watch.clear();
    history->clear();
}

void InspectorDock::OnCopyTable()
{
    QList<int> shown;
    for (const inspector::UpdateRate &r : rates)
        shown.append(r.perSecond());
    QApplication::clipboard()->setText(inspector::tableText(current, shown));
}

void InspectorDock::OnCopyHistory()
{
    QApplication::clipboard()->setText(inspector::historyText(watch.entries(), Titles()));
}

void InspectorDock::closeEvent(QCloseEvent *event)
{
    QDockWidget::closeEvent(event);
    if (event->isAccepted())
        Q_EMIT closedByUser();
}
