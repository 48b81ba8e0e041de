#include "app/MaterialChooser.h"

#include <QDir>
#include <QFont>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScroller>
#include <QStandardPaths>
#include <QVBoxLayout>


namespace {
// Rows a finger hits without aiming: about 1.5 cm on a board.
constexpr int kRowHeight = 72;
constexpr int kFontPixels = 28;
constexpr int kPathRole = Qt::UserRole;
constexpr int kIsFolderRole = Qt::UserRole + 1;

QListWidgetItem* row(QListWidget* list, const QString& text, const QString& path, bool folder) {
    auto* item = new QListWidgetItem(text, list);
    item->setData(kPathRole, path);
    item->setData(kIsFolderRole, folder);
    item->setSizeHint(QSize(0, kRowHeight));
    return item;
}
}  // namespace

QStringList materialNameFilters() {
    return {QStringLiteral("*.pdf"), QStringLiteral("*.png"), QStringLiteral("*.jpg"),
            QStringLiteral("*.jpeg"), QStringLiteral("*.svg"), QStringLiteral("*.PDF"),
            QStringLiteral("*.PNG"), QStringLiteral("*.JPG"), QStringLiteral("*.JPEG"),
            QStringLiteral("*.SVG")};
}

MaterialChooser::MaterialChooser(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Open material"));
    QFont font = this->font();
    font.setPixelSize(kFontPixels);
    setFont(font);
    auto* layout = new QVBoxLayout(this);
    where_ = new QLabel(this);
    where_->setWordWrap(true);
    list_ = new QListWidget(this);
    list_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    // A finger drags the list instead of selecting through it.
    QScroller::grabGesture(list_->viewport(), QScroller::TouchGesture);
    auto* cancel = new QPushButton(tr("Cancel"), this);
    cancel->setMinimumHeight(kRowHeight);
    layout->addWidget(where_);
    layout->addWidget(list_, 1);
    layout->addWidget(cancel);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(list_, &QListWidget::itemClicked, this, &MaterialChooser::activate);
    resize(900, 800);
    showFolder(QDir::currentPath());
}

void MaterialChooser::showFolder(const QString& folder) {
    folder_ = QDir(folder).absolutePath();
    where_->setText(folder_);
    list_->clear();
    const QString lesson = QDir::currentPath();
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    row(list_, tr("Lesson folder"), lesson, true);
    if (!documents.isEmpty()) row(list_, tr("Documents"), documents, true);
    QDir dir(folder_);
    if (dir.cdUp() && dir.absolutePath() != folder_) row(list_, tr(".. (up)"), dir.absolutePath(), true);
    const QDir here(folder_);
    for (const QFileInfo& info :
         here.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase))
        row(list_, info.fileName() + "/", info.absoluteFilePath(), true);
    for (const QFileInfo& info :
         here.entryInfoList(materialNameFilters(), QDir::Files, QDir::Name | QDir::IgnoreCase))
        row(list_, info.fileName(), info.absoluteFilePath(), false);
}

void MaterialChooser::activate(QListWidgetItem* item) {
    if (!item) return;
    const QString path = item->data(kPathRole).toString();
    if (item->data(kIsFolderRole).toBool()) {
        showFolder(path);
        return;
    }
    chosen_ = path;
    accept();
}
