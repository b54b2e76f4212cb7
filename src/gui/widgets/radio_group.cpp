#include "gui/widgets/radio_group.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QRadioButton>

namespace vmx::ui {

RadioGroup make_radio_group(const QString& caption, const QStringList& items, int checked,
                            QWidget* parent, Qt::Orientation orientation) {
  RadioGroup g;
  g.box = new QGroupBox(caption, parent);
  auto* layout = new QBoxLayout(
      orientation == Qt::Vertical ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight, g.box);
  g.buttons = new QButtonGroup(g.box);
  for (int i = 0; i < items.size(); ++i) {
    auto* r = new QRadioButton(items[i], g.box);
    g.buttons->addButton(r, i);
    layout->addWidget(r);
  }
  if (QAbstractButton* b = g.buttons->button(checked)) b->setChecked(true);
  return g;
}

}  // namespace vmx::ui
