#pragma once

// The main window over a real catalogue in a temporary work folder. Fill the catalogue with Sql()
// before Open(); message boxes are answered from MessageBoxAnswers, and the end of the program
// after an error is only counted.

#include "app/application.h"
#include "app/fmMain.h"
#include "app/grouptreeview.h"

#include "data/grouptree.h"
#include "tests/data/catalogue.h"
#include "tests/dialogs/modal.h"
#include "toolkit/datasetmodel.h"
#include "toolkit/messagebox.h"

#include <QLineEdit>
#include <QSettings>
#include <QTreeWidgetItemIterator>

#include <memory>

class MainWindowTest : public CatalogueTest {
protected:
    void SetUp() override
    {
        CatalogueTest::SetUp();
        MessageBoxAnswers::Reset();
        ResetQuitRequest();
        SetQuitHook([this] { ++quits; });
    }
    void TearDown() override
    {
        window.reset();
        SetQuitHook(nullptr);
        ResetQuitRequest();
        MessageBoxAnswers::Reset();
    }

    TfMain& Open()
    {
        window = std::make_unique<TfMain>();
        return *window;
    }
    // A settings object over the window's file, read fresh from disk.
    std::unique_ptr<QSettings> Settings()
    {
        return std::make_unique<QSettings>(data.SettingsFile().fileName(), QSettings::IniFormat);
    }
    QTreeWidgetItem* Node(int ident) { return Tdm::FindGroupNode(window->tree, ident); }
    QTreeWidgetItem* AllItems() { return window->tree->topLevelItem(0); }
    QTreeWidgetItem* NoGroup() { return window->tree->topLevelItem(window->tree->topLevelItemCount() - 1); }
    void Select(QTreeWidgetItem* node) { window->tree->setCurrentItem(node); }

    // Identifiers of the items the list shows, in list order.
    QStringList ListedItems()
    {
        TDataSetModel& model = *window->gridModel;
        while (model.canFetchMore(QModelIndex()))
            model.fetchMore(QModelIndex());
        QStringList ids;
        for (int row = 0; row < model.rowCount(); ++row)
            ids << model.data(model.index(row, 0)).toString();
        return ids;
    }
    // The items a text filter lists, sorted.
    QStringList Filtered(const QString& text)
    {
        window->edFilter->setText(text);
        window->toolFilterClick();
        QStringList ids = ListedItems();
        ids.sort();
        return ids;
    }
    // The texts of the message boxes shown, in order.
    QStringList Texts()
    {
        QStringList texts;
        for (const auto& shown : MessageBoxAnswers::History())
            texts << shown.text;
        return texts;
    }
    const MessageBoxAnswers::Shown* LastMessage()
    {
        const auto& history = MessageBoxAnswers::History();
        return history.empty() ? nullptr : &history.back();
    }

    std::unique_ptr<TfMain> window;
    int quits = 0;
};
