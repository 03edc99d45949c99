#include "report/text_layout.h"

namespace report {

namespace {

bool EndsWord(QChar c) { return c == u' ' || c == u'-'; }

// The longest prefix narrower than the box, never splitting a surrogate pair.
QString LeadingPartThatFits(const QString& word, double boxWidthMm, const WidthOf& width)
{
    qsizetype fits = 0;
    qsizetype i = 0;
    while (i < word.size()) {
        qsizetype next = i + 1;
        if (word[i].isHighSurrogate() && next < word.size() && word[next].isLowSurrogate())
            ++next;
        if (width(word.left(next)) >= boxWidthMm)
            break;
        fits = next;
        i = next;
    }
    return word.left(fits);
}

}  // namespace

QStringList CaptionLines(const QString& caption)
{
    QString text = caption;
    text.remove(u'\n');
    return text.split(u'\r');
}

QStringList WrapWords(const QString& paragraph)
{
    QStringList words;
    qsizetype start = 0;
    for (qsizetype i = 0; i < paragraph.size(); ++i) {
        if (EndsWord(paragraph[i])) {
            words << paragraph.mid(start, i + 1 - start);
            start = i + 1;
        }
    }
    if (start < paragraph.size())
        words << paragraph.mid(start);
    return words;
}

QStringList WrapCaption(const QString& caption, double boxWidthMm, const WidthOf& width)
{
    QStringList lines;
    for (const QString& paragraph : CaptionLines(caption)) {
        QString line;
        bool lineStarted = false;
        for (const QString& word : WrapWords(paragraph)) {
            if (lineStarted && width(line + word) < boxWidthMm) {
                line += word;
                continue;
            }
            if (lineStarted)
                lines << line;
            if (width(word) < boxWidthMm) {
                line = word;
                lineStarted = true;
            } else {
                lines << LeadingPartThatFits(word, boxWidthMm, width);
                line.clear();
                lineStarted = false;
            }
        }
        if (lineStarted || paragraph.isEmpty())
            lines << line;
    }
    return lines;
}

int VisibleLineCount(int lines, double lineHeightMm, double boxHeightMm)
{
    // Millimetre values carry rounding noise; a micrometre-scale tolerance keeps a line whose
    // bottom lies exactly at the limit.
    constexpr double kTolerance = 1e-6;
    int shown = 0;
    while (shown < lines && (shown + 1) * lineHeightMm <= boxHeightMm + 0.1 + kTolerance)
        ++shown;
    return shown;
}

}  // namespace report
