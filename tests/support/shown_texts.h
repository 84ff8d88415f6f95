#pragma once
// What an operator reads on a window: every visible widget's texts (labels, buttons and
// their tooltips, menus, lists, combo items, window titles, the kit's painted captions),
// one line each, with where it stands. And the two language checks over them: a Chinese
// interface shows no line of English words only, an English one shows no Chinese.
// Lines the device reports or the operator stored (channel and setting names, addresses)
// are the caller's to name as `own`; they are read in whatever language they were written.

#include "kit/drop_list.h"
#include "kit/fader.h"
#include "kit/level_meter.h"
#include "kit/png_button.h"
#include "kit/popup_menu.h"
#include "kit/text_label.h"
#include "kit/toggle_button.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QRegularExpression>
#include <QSet>
#include <QStringList>
#include <QTextDocumentFragment>
#include <QTreeWidget>
#include <QWidget>

#include <vector>

namespace krm::test {

struct ShownText {
    QString where; // the step of the walk and the widget's path
    QString text;  // one line
};

namespace shown_detail {

inline QString WidgetName(const QObject* o) {
    const QString name = o->objectName();
    const QString type = QString::fromLatin1(o->metaObject()->className()).section(':', -1);
    return name.isEmpty() ? type : type + '#' + name;
}

// The last few links of the widget's chain of parents: enough to find it, short to read.
inline QString PathOf(const QWidget* w) {
    QStringList links;
    for (const QObject* o = w; o != nullptr && links.size() < 4; o = o->parent())
        links.prepend(WidgetName(o));
    return links.join('/');
}

inline QString Plain(const QString& text) {
    QString plain =
        Qt::mightBeRichText(text) ? QTextDocumentFragment::fromHtml(text).toPlainText() : text;
    plain.remove('&'); // mnemonics
    return plain;
}

// The texts the widget itself shows (not its children's).
inline QStringList OwnTexts(QWidget* w) {
    QStringList texts;
    if (w->isWindow())
        texts << w->windowTitle();
    if (auto* label = qobject_cast<QLabel*>(w))
        texts << label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(w))
        texts << button->text() << button->toolTip();
    if (auto* edit = qobject_cast<QLineEdit*>(w))
        texts << edit->placeholderText();
    if (auto* group = qobject_cast<QGroupBox*>(w))
        texts << group->title();
    if (auto* box = qobject_cast<QMessageBox*>(w))
        texts << box->informativeText();
    if (auto* combo = qobject_cast<QComboBox*>(w))
        for (int i = 0; i < combo->count(); ++i)
            texts << combo->itemText(i);
    if (auto* list = qobject_cast<QListWidget*>(w))
        for (int i = 0; i < list->count(); ++i)
            texts << list->item(i)->text();
    if (auto* tree = qobject_cast<QTreeWidget*>(w)) {
        for (int c = 0; c < tree->columnCount(); ++c)
            texts << tree->headerItem()->text(c);
        for (int i = 0; i < tree->topLevelItemCount(); ++i)
            for (int c = 0; c < tree->columnCount(); ++c)
                texts << tree->topLevelItem(i)->text(c);
    }
    if (auto* menu = qobject_cast<QMenu*>(w)) {
        texts << menu->title();
        for (QAction* action : menu->actions())
            if (action->isVisible())
                texts << action->text().section('\t', 0, 0);
    }
    // The kit's painted controls.
    if (auto* label = qobject_cast<ui::TextLabel*>(w))
        texts << label->text();
    if (auto* button = qobject_cast<ui::ToggleButton*>(w))
        texts << button->text() << button->toolTip();
    if (auto* button = qobject_cast<ui::PngButton*>(w))
        texts << button->text() << button->toolTip();
    if (auto* list = qobject_cast<ui::DropList*>(w))
        for (int i = 0; i < list->count(); ++i)
            texts << list->itemText(i);
    if (auto* meter = qobject_cast<ui::LevelMeter*>(w))
        texts << meter->captions();
    if (auto* fader = qobject_cast<ui::Fader*>(w))
        for (const ui::Fader::ScaleMark& mark : fader->scaleMarks())
            texts << mark.label;
    if (auto* menu = qobject_cast<ui::PopupMenu*>(w)) {
        texts << menu->title();
        for (const ui::PopupMenuItem& item : menu->items())
            texts << item.text;
    }
    return texts;
}

} // namespace shown_detail

// Every line shown by `root` and its visible children, `step` naming where the walk was.
inline std::vector<ShownText> ShownTexts(QWidget& root, const QString& step) {
    std::vector<ShownText> shown;
    QList<QWidget*> widgets{&root};
    widgets += root.findChildren<QWidget*>();
    for (QWidget* w : widgets) {
        if (!w->isVisible())
            continue;
        for (const QString& text : shown_detail::OwnTexts(w))
            for (const QString& line : shown_detail::Plain(text).split('\n'))
                if (!line.trimmed().isEmpty())
                    shown.push_back({step + ": " + shown_detail::PathOf(w), line.trimmed()});
    }
    return shown;
}

// The lines' own texts with every `own` text taken out, and the dotted names of the
// tooltips, addresses and version numbers with them.
inline QString WithoutOwnTexts(QString line, const QSet<QString>& own) {
    for (const QString& text : own)
        if (!text.trimmed().isEmpty())
            line.replace(text.trimmed(), QStringLiteral(" "));
    static const QRegularExpression dotted(QStringLiteral("\\b\\w+(\\.\\w+)+\\b"));
    return line.remove(dotted);
}

inline bool HasChinese(const QString& line) {
    for (const QChar c : line)
        if (c.unicode() >= 0x3000 && c.unicode() <= 0x9fff)
            return true;
    return false;
}

// A line of English words only: ASCII letters, no Chinese, and a word outside `allowed`
// (abbreviations and units that both interfaces read alike).
inline bool EnglishOnly(const QString& line, const QSet<QString>& allowed) {
    if (HasChinese(line))
        return false;
    static const QRegularExpression word(QStringLiteral("[A-Za-z]+"));
    for (auto it = word.globalMatch(line); it.hasNext();)
        if (!allowed.contains(it.next().captured()))
            return true;
    return false;
}

// The offenders, one a line, for a failure message that lists them all: each widget's line
// once, at the first step that showed it.
template <class Offends>
QString Offenders(const std::vector<ShownText>& shown, const QSet<QString>& own, Offends offends) {
    QStringList lines;
    QSet<QString> seen;
    for (const ShownText& s : shown) {
        const QString widget = s.where.section(QStringLiteral(": "), 1);
        if (!offends(WithoutOwnTexts(s.text, own)) || seen.contains(widget + s.text))
            continue;
        seen.insert(widget + s.text);
        lines << s.where + QStringLiteral(" \"") + s.text + '"';
    }
    return lines.join('\n');
}

} // namespace krm::test
