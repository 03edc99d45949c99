#pragma once
// How a label's text becomes lines: carriage returns, word wrap and the box's height.
#include <QString>
#include <QStringList>
#include <functional>

namespace report {

using WidthOf = std::function<double(const QString&)>;  // advance width in millimetres

// A carriage return starts a new line; line feeds are dropped.
QStringList CaptionLines(const QString& caption);

// The words of one line of text: each ends after a space or a hyphen. Characters above
// code 255 (Hangul among them) never end a word.
QStringList WrapWords(const QString& paragraph);

// Wraps a caption into a box of the given width. A word joins the line while the line with
// it, its trailing space included, stays narrower than the box; otherwise it starts the next
// line. A word wider than the whole box keeps the leading characters that fit and loses the
// rest, and its line ends there.
QStringList WrapCaption(const QString& caption, double boxWidthMm, const WidthOf& width);

// How many of the lines are drawn: a line is drawn only while its bottom lies no more than
// 0.1 mm below the box's bottom.
int VisibleLineCount(int lines, double lineHeightMm, double boxHeightMm);

}  // namespace report
