#pragma once

// The group tree: the groups of TYPY as nodes of a QTreeWidget, framed by the two special nodes
// "VŠECHNY POLOŽKY" (Ident -1, first) and "NEZAŘAZENO" (Ident 0, last). The loading, finding and
// saving operations are members of Tdm (data/uDM.h).

#include <QString>
#include <QTreeWidgetItem>

// What a tree node stands for: the group's TYPY.IDENT (-1 all items, 0 no group) and its POPIS.
struct TTreeData {
    TTreeData(qint32 ident, const QString& description) : Ident(ident), Description(description) {}
    qint32 Ident;
    QString Description;
};

// A node of the group tree. It owns its payload, so deleting the node, or clearing the tree before
// a reload, frees it; a moved node keeps it.
class TGroupNode : public QTreeWidgetItem {
public:
    static constexpr int Type = QTreeWidgetItem::UserType + 1;

    TGroupNode(const QString& text, const TTreeData& data);

    TTreeData& Data() { return data_; }
    const TTreeData& Data() const { return data_; }
    // A copy of the node and its subtree with their payloads (Qt clones items for copy drags).
    QTreeWidgetItem* clone() const override;

private:
    TTreeData data_;
};

inline constexpr qint32 AllItemsIdent = -1;
inline constexpr qint32 NoGroupIdent = 0;
QString AllItemsText();  // "VŠECHNY POLOŽKY"
QString NoGroupText();   // "NEZAŘAZENO"

// The node's payload; none for no node or a node that is not a group-tree node.
TTreeData* TreeData(QTreeWidgetItem* node);
// The node's depth in its tree: 0 at the top level.
int NodeLevel(const QTreeWidgetItem* node);
