#pragma once

// The main window. It opens the catalogue when it is created; the panes come with the frame.

#include <QMainWindow>

class TfMain : public QMainWindow {
    Q_OBJECT

public:
    explicit TfMain(QWidget* parent = nullptr);

    // Whether OpenCatalogue succeeded; the item list and the tree load only then.
    bool CatalogueOpen() const { return catalogueOpen_; }

private:
    bool catalogueOpen_ = false;
};
