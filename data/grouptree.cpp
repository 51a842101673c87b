#include "grouptree.h"

#include "uDM.h"

#include <QHash>
#include <QScopeGuard>
#include <QTreeWidget>

#include <functional>

namespace {

// Visits every node in tree order (a node, then its subtrees, then its next sibling) until the
// visitor answers false; answers whether the walk ran to its end.
bool WalkTree(const QTreeWidget* tree, const std::function<bool(QTreeWidgetItem*)>& visit)
{
    std::function<bool(QTreeWidgetItem*)> walk = [&](QTreeWidgetItem* node) {
        if (!visit(node))
            return false;
        for (int i = 0; i < node->childCount(); ++i)
            if (!walk(node->child(i)))
                return false;
        return true;
    };
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        if (!walk(tree->topLevelItem(i)))
            return false;
    return true;
}

QString UpdateShapeText(qint32 ident, qint32 parent, int level)
{
    return QStringList{QStringLiteral("UPDATE TYPY SET"), QStringLiteral("PARENT=%1").arg(parent),
                       QStringLiteral(",LEVEL=%1").arg(level), QStringLiteral("WHERE IDENT=%1").arg(ident)}
               .join(QStringLiteral("\r\n"))
        + QStringLiteral("\r\n");
}

}  // namespace

TGroupNode::TGroupNode(const QString& text, const TTreeData& data) : QTreeWidgetItem(Type), data_(data)
{
    setText(0, text);
}

QTreeWidgetItem* TGroupNode::clone() const
{
    auto* copy = new TGroupNode(text(0), data_);  // the caller takes the copy (Qt's contract)
    for (int i = 0; i < childCount(); ++i)
        copy->addChild(child(i)->clone());
    return copy;
}

QString AllItemsText()
{
    return QStringLiteral("VŠECHNY POLOŽKY");
}

QString NoGroupText()
{
    return QStringLiteral("NEZAŘAZENO");
}

TTreeData* TreeData(QTreeWidgetItem* node)
{
    if (!node || node->type() != TGroupNode::Type)
        return nullptr;
    return &static_cast<TGroupNode*>(node)->Data();
}

int NodeLevel(const QTreeWidgetItem* node)
{
    int level = 0;
    for (const QTreeWidgetItem* p = node->parent(); p; p = p->parent())
        ++level;
    return level;
}

QTreeWidgetItem* Tdm::FindGroupNode(QTreeWidget* tree, qint32 ident)
{
    if (ident == NoGroupIdent)
        return nullptr;
    QTreeWidgetItem* found = nullptr;
    WalkTree(tree, [&](QTreeWidgetItem* node) {
        const TTreeData* data = TreeData(node);
        if (data && data->Ident == ident)
            found = node;
        return !found;
    });
    return found;
}

int Tdm::LoadGroupTree(QTreeWidget* tree)
{
    tree->clear();
    auto* allItems = new TGroupNode(AllItemsText(), TTreeData(AllItemsIdent, QString()));
    tree->addTopLevelItem(allItems);

    // The same answers as FindGroupNode during the load, without its linear walk: identifiers are
    // unique keys, and the first node with an identifier is the first in tree order.
    QHash<qint32, QTreeWidgetItem*> loaded{{AllItemsIdent, allItems}};
    int count = 0;
    {
        if (query.Active())
            query.Close();
        const auto closer = qScopeGuard([this] { query.Close(); });  // also when a step fails
        query.SetSQL(QStringLiteral("SELECT IDENT, PARENT, NAZEV, POPIS FROM TYPY ORDER BY LEVEL, NAZEV COLLATE NATIVE"));
        query.Open();
        query.First();
        TField& ident = query.FieldByName(QStringLiteral("IDENT"));
        TField& parentIdent = query.FieldByName(QStringLiteral("PARENT"));
        TField& name = query.FieldByName(QStringLiteral("NAZEV"));
        TField& description = query.FieldByName(QStringLiteral("POPIS"));
        while (!query.Eof()) {
            const qint32 parentId = parentIdent.AsInteger();
            QTreeWidgetItem* parent = parentId == NoGroupIdent ? nullptr : loaded.value(parentId);
            auto* node = new TGroupNode(name.AsString(), TTreeData(ident.AsInteger(), description.AsString()));
            if (parent)
                parent->addChild(node);
            else
                tree->addTopLevelItem(node);
            if (!loaded.contains(node->Data().Ident))  // the earlier node comes first in tree order
                loaded.insert(node->Data().Ident, node);
            ++count;
            query.Next();
        }
    }
    tree->addTopLevelItem(new TGroupNode(NoGroupText(), TTreeData(NoGroupIdent, QString())));
    tree->expandAll();
    return count;
}

void Tdm::SaveTreeShape(QTreeWidget* tree)
{
    WorkGuard work(*this);
    WalkTree(tree, [&](QTreeWidgetItem* node) {
        const TTreeData* data = TreeData(node);
        if (!data || data->Ident < 1)
            return true;
        const TTreeData* parent = TreeData(node->parent());
        exec.SetCommandText(UpdateShapeText(data->Ident, parent ? parent->Ident : 0, NodeLevel(node)));
        exec.Execute();
        return true;
    });
    work.Commit();
}

std::unique_ptr<TMeral3Query> Tdm::NewQuery(const QString& sqlText)
{
    auto result = std::make_unique<TMeral3Query>();
    result->SetDatabase(&db);
    result->SetSQL(sqlText);
    result->ApplySQL();
    return result;
}
