#pragma once

#include <QString>
#include <filesystem>
#include <functional>

#include "core/platform/scripted_printer.h"

class QPrinter;
class QWidget;

namespace vmx::platform {

// The real printer: the lines are collected while the report runs and laid
// out when it ends (see qt_page_painter.h for the layout and font).
//   Preview        a print preview owned by `parent`, from which the user
//                  prints to the system's default printer (or, without one,
//                  to a PDF file he names);
//   DefaultPrinter straight to the system's default printer;
//   PdfFile        to `pdf_file` on A4 paper.
// end_document throws store::Error when there is no printer, the file cannot
// be written or the job fails; what was recorded stays in documents().
class QtPrinter : public ScriptedPrinter {
 public:
  enum class Mode { Preview, DefaultPrinter, PdfFile };

  explicit QtPrinter(Mode mode, QWidget* parent = nullptr, std::filesystem::path pdf_file = {});

  void end_document() override;

 private:
  Mode m_mode;
  QWidget* m_parent;
  std::filesystem::path m_pdf_file;
};

// A print preview of `printer`, owned by `parent`, from which the user prints
// to the default printer (without one, the printer writes a PDF file he
// names). `paint` lays the pages out on whatever printer the preview hands
// it; a store::Error it throws is thrown again once the preview has closed.
void show_print_preview(QPrinter& printer, QWidget* parent, const QString& title,
                        const std::function<void(QPrinter&)>& paint);

}  // namespace vmx::platform
