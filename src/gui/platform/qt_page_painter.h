#pragma once

#include <filesystem>

#include "core/platform/scripted_printer.h"

class QFont;
class QPagedPaintDevice;

// Laying out a recorded print job on paper: QtGui only (no widgets), so the
// windowed program's printer and valmorix-cli's PDF output share it.
namespace vmx::platform {

// The reports' font at a height of the grid's scale (12 is the grid's font,
// 9 points): 宋体 when installed, else the installed CJK font (WenQuanYi Micro
// Hei, its monospaced cut first). Qt chooses glyphs by script, so the GB2312
// character set of the old font needs no setting of its own.
QFont report_font(int height);

// Paints `doc` on `device` (a QPrinter or a QPdfWriter), one recorded page on
// one sheet. Characters stand on a grid of byte columns (a Chinese character
// takes two), so the reports' space-padded columns line up whatever the
// font's own widths. Blank lines at the end of a page are not painted (they
// only pushed a text printer on to its next sheet); a page longer than the
// sheet continues on another sheet. Throws store::Error when the device
// cannot be painted on. Needs a QGuiApplication.
void paint_document(const PrintedDocument& doc, QPagedPaintDevice& device);

// Writes `doc` to a PDF file on A4 paper. Creates a window-less
// QGuiApplication (offscreen) when the program has none. Throws store::Error
// naming the file when it cannot be written.
void write_pdf(const PrintedDocument& doc, const std::filesystem::path& file);

}  // namespace vmx::platform
