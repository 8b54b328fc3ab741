#include "gui/gui_support.h"

#include <QLabel>
#include <QTableView>

namespace tarvex::testing {

QString CutText(QWidget* top) {
  const QString at = QStringLiteral(" at %1 points").arg(QApplication::font().pointSize());
  for (QWidget* control : top->findChildren<QWidget*>()) {
    QString text;
    auto* label = qobject_cast<QLabel*>(control);
    if (label != nullptr)
      text = label->buddy() != nullptr ? label->text().remove('&') : label->text();
    if (auto* button = qobject_cast<QPushButton*>(control)) text = button->text().remove('&');
    QSize needed = control->fontMetrics().size(Qt::TextSingleLine, text);
    if (label != nullptr && label->wordWrap()) {  // as many rows as its width needs
      needed = {0, label->heightForWidth(label->width()) - 2 * label->margin()};
    }
    if (!text.isEmpty() && (needed.width() > control->contentsRect().width() ||
                            needed.height() > control->contentsRect().height())) {
      return text + at;
    }
  }
  // No table row lower, and no column shown narrower, than its text.
  for (QTableView* table : top->findChildren<QTableView*>()) {
    for (int row = 0; row < table->model()->rowCount(); ++row) {
      for (int column = 0; column < table->model()->columnCount(); ++column) {
        if (table->isColumnHidden(column)) continue;
        const QString text = table->model()->index(row, column).data().toString();
        if (table->fontMetrics().height() > table->rowHeight(row) ||
            table->fontMetrics().horizontalAdvance(text) >= table->columnWidth(column)) {
          return text + at;
        }
      }
    }
  }
  return {};
}

}  // namespace tarvex::testing
