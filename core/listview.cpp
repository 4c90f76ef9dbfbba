#include "core/listview.h"

#include "core/twips.h"

#include <QHeaderView>

ListView::ListView(QWidget* parent) : QTreeWidget(parent) {
    setColumnCount(0);
    connect(this, &QTreeWidget::itemDoubleClicked, this, [this] { emit DblClick(); });
}

void ListView::SetReportView() {
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
    setHeaderHidden(false);
}

void ListView::AddColumn(const QString& header, int widthTwips, Align align) {
    const int column = int(alignments_.size());
    // Column 1 is always left-aligned.
    alignments_.append(column == 0 ? Align::Left : align);
    setColumnCount(column + 1);
    QTreeWidgetItem* head = headerItem();
    head->setText(column, header);
    head->setTextAlignment(column, alignments_.last() == Align::Center ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter);
    setColumnWidth(column, Px(widthTwips));
}

void ListView::Clear() { clear(); }

int ListView::AddRow(const QString& text) {
    auto* item = new QTreeWidgetItem;
    for (int c = 0; c < alignments_.size(); ++c) {
        if (alignments_.at(c) == Align::Center)
            item->setTextAlignment(c, Qt::AlignCenter);
    }
    item->setText(0, text);
    addTopLevelItem(item);
    return indexOfTopLevelItem(item) + 1;
}

QTreeWidgetItem* ListView::Row(int row) const { return topLevelItem(row - 1); }

void ListView::SetSubItem(int row, int index, const QString& text) {
    if (QTreeWidgetItem* item = Row(row))
        item->setText(index, text);
}

void ListView::SetBold(int row, int index, bool bold) {
    if (QTreeWidgetItem* item = Row(row)) {
        QFont f = item->font(index);
        f.setBold(bold);
        item->setFont(index, f);
    }
}

void ListView::SetColor(int row, int index, const QColor& color) {
    if (QTreeWidgetItem* item = Row(row))
        item->setForeground(index, color);
}

bool ListView::IsBold(int row, int index) const {
    const QTreeWidgetItem* item = Row(row);
    return item && item->font(index).bold();
}

QColor ListView::Color(int row, int index) const {
    const QTreeWidgetItem* item = Row(row);
    if (!item)
        return {};
    const QBrush brush = item->foreground(index);
    return brush.style() == Qt::NoBrush ? palette().color(QPalette::Text) : brush.color();
}

void ListView::RemoveRow(int row) { delete Row(row); }

void ListView::EnsureVisible(int row) {
    if (QTreeWidgetItem* item = Row(row))
        scrollToItem(item);
}

void ListView::SortDescending(int column) {
    setSortingEnabled(true);
    sortByColumn(column, Qt::DescendingOrder);
}

QString ListView::Text(int row, int column) const {
    const QTreeWidgetItem* item = Row(row);
    return item ? item->text(column) : QString();
}

int ListView::SelectedRow() const {
    const QList<QTreeWidgetItem*> selected = selectedItems();
    if (selected.isEmpty())
        return 0;
    return indexOfTopLevelItem(selected.first()) + 1;
}
