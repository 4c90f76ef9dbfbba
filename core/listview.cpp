#include "core/listview.h"

#include "core/twips.h"

#include <QHeaderView>

ListView::ListView(QWidget* parent) : QTreeWidget(parent) {
    setColumnCount(0);
    connect(this, &QTreeWidget::itemDoubleClicked, this, [this] { emit DblClick(); });
    // One row at a time is selected, and it is the current one: a view that gets the focus makes
    // its first row current without selecting it, and selecting a row from the program adds it to
    // the selection.
    connect(this, &QTreeWidget::currentItemChanged, this, [](QTreeWidgetItem* current) {
        if (current && !current->isSelected())
            current->setSelected(true);
    });
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this](const QItemSelection& selected) {
        QItemSelectionModel* model = selectionModel();
        if (!selected.isEmpty()) {
            const QModelIndex newest = selected.indexes().constFirst();
            if (model->selectedRows().size() > 1 || model->currentIndex().row() != newest.row())
                model->setCurrentIndex(newest, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        } else if (!model->hasSelection() && model->currentIndex().isValid()) {
            model->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
        }
    });
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

void ListView::Refill(const std::function<void()>& addRows) {
    const int selected = SelectedRow();
    clear();
    addRows();
    if (selected > 0)
        SelectRow(qMin(selected, RowCount()));
}

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

void ListView::SelectRow(int row) {
    QTreeWidgetItem* item = row >= 1 ? Row(row) : nullptr;
    if (!item) {
        clearSelection();
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
        return;
    }
    setCurrentItem(item);
    item->setSelected(true);
}

void ListView::EnableWhileSelected(const QList<QWidget*>& controls) {
    auto follow = [this, controls] {
        const bool selected = SelectedRow() > 0;
        for (QWidget* control : controls)
            control->setEnabled(selected);
    };
    connect(this, &QTreeWidget::itemSelectionChanged, this, follow);
    follow();
}

void ListView::WidenColumnsToContents() {
    for (int column = 0; column < columnCount(); ++column)
        setColumnWidth(column, qMax(columnWidth(column), sizeHintForColumn(column)));
}
