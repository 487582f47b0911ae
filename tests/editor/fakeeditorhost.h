#pragma once
#include "editorhost.h"

#include <QHeaderView>
#include <QList>
#include <QPair>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWidget>

// A main window stand-in: the two real lists with their 20 rows, and a
// record of what the editor asked of the window.
class FakeEditorHost : public EditorHost {
public:
    struct CellEdit {
        QTreeWidget* list;
        int row;
        int column;
    };

    FakeEditorHost()
    {
        window.resize(900, 700);
        auto* layout = new QVBoxLayout(&window);
        sequences = makeList("lstSequences_0", {"#", "Seq Lbl", "Actions"});
        ascii = makeList("lstSequences_1", {"#", "ASCII Strings"});
        layout->addWidget(sequences);
        layout->addWidget(ascii);
    }

    QWidget* hostWindow() override { return &window; }
    QTreeWidget* sequenceList() override { return sequences; }
    QTreeWidget* asciiList() override { return ascii; }
    void controlState(bool enabled, bool all) override { states.append({enabled, all}); }
    void markChanged(bool changed) override { marks.append(changed); }
    bool cellEditOpen() const override { return editOpen; }
    void commitCellEdit() override
    {
        ++commits;
        editOpen = false;
    }
    void startCellEdit(QTreeWidget* list, int row, int column) override
    {
        cellEdits.append({list, row, column});
        editOpen = true;
    }

    QString cell(QTreeWidget* list, int row, int column) const
    {
        return list->topLevelItem(row - 1)->text(column);
    }

    QWidget window;
    QTreeWidget* sequences;
    QTreeWidget* ascii;
    QList<QPair<bool, bool>> states;
    QList<bool> marks;
    QList<CellEdit> cellEdits;
    bool editOpen = false;
    int commits = 0;

private:
    QTreeWidget* makeList(const char* name, const QStringList& headers)
    {
        auto* list = new QTreeWidget(&window);
        list->setObjectName(QString::fromLatin1(name));
        list->setHeaderLabels(headers);
        list->setRootIsDecorated(false);
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        for (int c = 0; c < headers.size(); ++c)
            list->setColumnWidth(c, c == 0 ? 40 : 150);
        for (int r = 1; r <= 20; ++r)
            list->addTopLevelItem(new QTreeWidgetItem({QStringLiteral("%1").arg(r, 2, 10, QLatin1Char('0'))}));
        return list;
    }
};
