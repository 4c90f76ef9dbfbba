#include "app/protocollist.h"

#include "core/listview.h"
#include "core/timeofday.h"

void SetUpProtocolList(ListView& list) {
    list.SetReportView();
    list.AddColumn(QStringLiteral("Uhrzeit"), 900);
    list.AddColumn(QStringLiteral("Client command / Server response"), 4780);
}

void SetUpResultList(ListView& list) {
    list.SetReportView();
    list.AddColumn(QStringLiteral("Uhrzeit"), 900);
    list.AddColumn(QStringLiteral("Account"), 1750);
    list.AddColumn(QStringLiteral("Mailbox"), 1000);
    list.AddColumn(QStringLiteral("#"), 460, ListView::Align::Center);
}

void AppendProtocolEntry(ListView& list, const QString& text) {
    const int row = list.AddRow(TimeOfDayText());
    list.SetSubItem(row, 1, text);
    TrimProtocolList(list);
}

void TrimProtocolList(ListView& list) {
    while (list.RowCount() > MaxProtocolEntries)
        list.RemoveRow(1);
    if (list.RowCount() > 0)
        list.EnsureVisible(list.RowCount());
}
