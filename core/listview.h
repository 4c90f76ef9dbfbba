#pragma once

#include <QColor>
#include <QTreeWidget>
#include <QVector>
#include <functional>

// The report-style list used by the main window, the notification window, the settings dialog and
// the import dialog: columns with headers and widths in twips, rows numbered from 1 in display
// order, bold and colour per cell, no editing in place.
class ListView : public QTreeWidget {
    Q_OBJECT
public:
    enum class Align { Left, Center };

    explicit ListView(QWidget* parent = nullptr);

    // Report view with label editing off (manual).
    void SetReportView();
    void AddColumn(const QString& header, int widthTwips, Align align = Align::Left);
    int ColumnCount() const { return columnCount(); }

    // Removes all rows; the columns stay.
    void Clear();
    // Removes all rows and lets addRows add the new ones; the row selected before stays selected
    // (the last row where the list became shorter).
    void Refill(const std::function<void()>& addRows);
    // Adds a row at the end with the text of column 1 and returns its number.
    int AddRow(const QString& text);
    // Sets the text of column index + 1 (index 1..3) of a row.
    void SetSubItem(int row, int index, const QString& text);
    // index 0 is the row's own cell, 1.. its sub-items.
    void SetBold(int row, int index, bool bold = true);
    void SetColor(int row, int index, const QColor& color);
    bool IsBold(int row, int index) const;
    QColor Color(int row, int index) const;

    int RowCount() const { return topLevelItemCount(); }
    void RemoveRow(int row);
    void EnsureVisible(int row);
    // Sorts by a column's text, descending, and keeps the list sorted.
    void SortDescending(int column);

    // Text of a cell: column 0 is the row's own text.
    QString Text(int row, int column) const;
    // The selected row's number, 0 when none is selected. The current row is always the selected
    // one: a row that looks current can be acted on.
    int SelectedRow() const;
    // Selects a row and makes it current; 0 or a row beyond the list selects none.
    void SelectRow(int row);
    // The controls are enabled while a row is selected and disabled while none is.
    void EnableWhileSelected(const QList<QWidget*>& controls);
    // Widens each column that is too narrow for a cell's text (bold text needs more room than the
    // column was drawn for); no column becomes narrower.
    void WidenColumnsToContents();

signals:
    void DblClick();

private:
    QTreeWidgetItem* Row(int row) const;
    QVector<Align> alignments_;
};
