#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class QLabel;
class QListWidget;
class QListWidgetItem;

// Picks material to bring into the lesson, made for a finger on a board: large rows, one
// tap opens a folder or takes a file. The lesson folder and the documents folder come
// first, then the folder's subfolders and its PDFs and pictures.
class MaterialChooser : public QDialog {
    Q_OBJECT
public:
    explicit MaterialChooser(QWidget* parent = nullptr);
    // The file chosen (absolute), empty when the chooser was closed without one.
    QString chosen() const { return chosen_; }
    // Shows `folder`'s entries.
    void showFolder(const QString& folder);
    QString folder() const { return folder_; }

private:
    void activate(QListWidgetItem* item);

    QLabel* where_ = nullptr;
    QListWidget* list_ = nullptr;
    QString folder_;
    QString chosen_;
};

// The names of files the chooser offers (PDFs and pictures), for a folder listing.
QStringList materialNameFilters();
