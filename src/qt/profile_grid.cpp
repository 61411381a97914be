#include "qt/profile_grid.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QPalette>
#include <QTableView>

#include "app/profile_editor.h"

namespace qm::qt {

namespace {

// Typed characters gather into one search text while they follow each other quickly, as in
// any list; the table decides which row matches.
class GridKeys : public QObject {
 public:
  GridKeys(QTableView* grid, ProfileEditor& editor) : QObject(grid), grid_(grid), editor_(editor) {
    sort_connection_ = editor_.SortMarkerChanged.Connect([this] { ShowSortMarker(); });
    ShowSortMarker();
  }
  ~GridKeys() override { editor_.SortMarkerChanged.Disconnect(sort_connection_); }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
    const QString text = key->text();
    if (text.isEmpty() || !text.at(0).isPrint() || (mods & (Qt::ControlModifier | Qt::AltModifier)))
      return QObject::eventFilter(watched, event);
    if (!typed_timer_.isValid() || typed_timer_.elapsed() > QApplication::keyboardInputInterval())
      typed_.clear();
    typed_timer_.start();
    typed_ += text;
    const int column = std::max(0, grid_->currentIndex().column());
    editor_.SearchIncrementally(column, typed_.toStdString());
    return true;
  }

 private:
  void ShowSortMarker() {
    QHeaderView* header = grid_->horizontalHeader();
    header->setSortIndicatorShown(editor_.SortColumn() >= 0);
    header->setSortIndicator(editor_.SortColumn(),
                             editor_.SortAscending() ? Qt::AscendingOrder : Qt::DescendingOrder);
  }

  QTableView* grid_;
  ProfileEditor& editor_;
  QString typed_;
  QElapsedTimer typed_timer_;
  int sort_connection_ = 0;
};

}  // namespace

void SetUpProfileGrid(QTableView* grid, ProfileEditor& editor) {
  // The rows chosen for "Start selected" stay marked while the user works on the page.
  QPalette palette = grid->palette();
  for (auto role : {QPalette::Highlight, QPalette::HighlightedText})
    palette.setBrush(QPalette::Inactive, role, palette.brush(QPalette::Active, role));
  grid->setPalette(palette);
  grid->setTabKeyNavigation(false);

  QHeaderView* header = grid->horizontalHeader();
  header->setSectionsClickable(true);
  header->setDefaultAlignment(Qt::AlignCenter);
  auto* keys = new GridKeys(grid, editor);
  grid->installEventFilter(keys);
  QObject::connect(header, &QHeaderView::sectionClicked, keys, [grid, &editor](int section) {
    editor.ClickColumnTitle(section);
    // Selected row numbers would now name other profiles; only the current one stays selected.
    const QModelIndex current = grid->currentIndex();
    if (current.isValid())
      grid->selectionModel()->select(
          current, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  });
}

}  // namespace qm::qt
