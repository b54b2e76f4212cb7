#pragma once

#include <QGroupBox>
#include <QStringList>

class QButtonGroup;

namespace vmx::ui {

// A framed group of radio buttons: the items in a row or a column, numbered
// from 0 in `buttons` (its idClicked says which), item `checked` chosen.
struct RadioGroup {
  QGroupBox* box = nullptr;
  QButtonGroup* buttons = nullptr;
};
RadioGroup make_radio_group(const QString& caption, const QStringList& items, int checked,
                            QWidget* parent, Qt::Orientation orientation = Qt::Vertical);

}  // namespace vmx::ui
