#include "TextFit.h"

#include "foundation/controls/ZylButton.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionComboBox>

namespace testsupport {
namespace {

QString describe(const QWidget* w, const QString& text, const QString& why) {
    const QString name =
        w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName();
    return QStringLiteral("%1 \"%2\": %3").arg(name, text, why);
}

bool shown(const QWidget* w, const QWidget* root) {
    return w == root || w->isVisibleTo(root);
}

// Height of one line of the widget's font, ascent to descent: what a line needs so that
// nothing above a capital's mark or below an underscore is cut.
int lineHeight(const QFontMetrics& fm) {
    return fm.ascent() + fm.descent();
}

void checkLabel(const QLabel* label, QStringList& out) {
    const QString text = label->text();
    if (text.isEmpty() || !label->pixmap().isNull() || label->textFormat() == Qt::RichText)
        return;
    const QFontMetrics fm(label->font());
    const QRect room = label->contentsRect();
    if (label->wordWrap()) {
        const QRect lines = fm.boundingRect(QRect(0, 0, room.width(), 100000), Qt::TextWordWrap, text);
        if (lines.height() > room.height())
            out << describe(label, text,
                            QStringLiteral("%1 px of lines in %2").arg(lines.height()).arg(room.height()));
        return;
    }
    int widest = 0, lines = 0;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        widest = std::max(widest, fm.horizontalAdvance(line));
        ++lines;
    }
    if (widest > room.width())
        out << describe(label, text, QStringLiteral("%1 px wide in %2").arg(widest).arg(room.width()));
    const int high = lines == 1 ? lineHeight(fm) : fm.lineSpacing() * (lines - 1) + lineHeight(fm);
    if (high > room.height())
        out << describe(label, text, QStringLiteral("%1 px high in %2").arg(high).arg(room.height()));
    // The text must not reach into a sibling placed beside it on the same line.
    const QWidget* parent = label->parentWidget();
    if (!parent)
        return;
    const QRect drawn =
        QStyle::alignedRect(label->layoutDirection(), label->alignment(), QSize(widest, high), room)
            .translated(label->pos());
    for (const QObject* o : parent->children()) {
        const auto* other = qobject_cast<const QWidget*>(o);
        if (!other || other == label || !other->isVisibleTo(parent) || other->isWindow())
            continue;
        if (other->geometry().contains(label->geometry()) || label->geometry().contains(other->geometry()))
            continue; // a background behind, or a picture inside
        if (drawn.intersects(other->geometry()))
            out << describe(label, text,
                            QStringLiteral("runs into a %1").arg(other->metaObject()->className()));
    }
}

void checkButton(const QAbstractButton* button, QStringList& out) {
    if (button->text().isEmpty())
        return;
    // Push buttons ask for a minimum width in their size hint whatever their text; what
    // counts is the text, its icon and the margins the style draws around them.
    int need = button->sizeHint().width();
    if (qobject_cast<const QPushButton*>(button)) {
        const int margin = button->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button);
        const int frame = button->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button);
        need = button->fontMetrics().horizontalAdvance(button->text()) + margin + 2 * frame +
               (button->icon().isNull() ? 0 : button->iconSize().width() + 4);
    }
    if (need > button->width())
        out << describe(button, button->text(),
                        QStringLiteral("needs %1 px, has %2").arg(need).arg(button->width()));
    if (lineHeight(button->fontMetrics()) > button->height())
        out << describe(button, button->text(), QStringLiteral("lower than its text"));
}

void checkComboBox(const QComboBox* combo, QStringList& out) {
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.editable = combo->isEditable();
    option.frame = combo->hasFrame();
    const QRect field =
        combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo);
    const QFontMetrics fm(combo->font());
    // Every item is shown in the closed pop-up once chosen.
    for (int i = 0; i < combo->count(); ++i) {
        const QString text = combo->itemText(i);
        const int iconRoom = combo->itemIcon(i).isNull() ? 0 : combo->iconSize().width() + 4;
        if (fm.horizontalAdvance(text) + iconRoom > field.width())
            out << describe(
                combo, text,
                QStringLiteral("item %1 px wide in %2").arg(fm.horizontalAdvance(text)).arg(field.width()));
    }
    if (combo->count() > 0 && lineHeight(fm) > field.height())
        out << describe(combo, combo->currentText(), QStringLiteral("lower than its text"));
}

void checkLineEdit(const QLineEdit* edit, QStringList& out) {
    if (edit->text().isEmpty() || edit->echoMode() != QLineEdit::Normal)
        return;
    const QFontMetrics fm(edit->font());
    // The room the field draws its text in: its frame and the fixed side margins inside it.
    const QMargins margins = edit->textMargins();
    const int frame =
        edit->hasFrame() ? 2 * edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, edit) : 0;
    const int room = edit->width() - frame - margins.left() - margins.right() - 4;
    if (fm.horizontalAdvance(edit->text()) > room)
        out << describe(edit, edit->text(),
                        QStringLiteral("%1 px wide in %2").arg(fm.horizontalAdvance(edit->text())).arg(room));
    if (lineHeight(fm) > edit->height() - frame)
        out << describe(edit, edit->text(), QStringLiteral("lower than its text"));
}

} // namespace

QStringList clippedTexts(QWidget* root) {
    QStringList out;
    QList<QWidget*> all = root->findChildren<QWidget*>();
    all.prepend(root);
    for (QWidget* w : all) {
        if (!shown(w, root))
            continue;
        // The editable field of a pop-up or spin box is checked with its owner.
        if (qobject_cast<QComboBox*>(w->parentWidget()) || w->inherits("QAbstractSpinBox"))
            continue;
        if (auto* zyl = qobject_cast<ZylButton*>(w)) {
            if (zyl->shownTitle() != zyl->contentTitle())
                out << describe(zyl, zyl->contentTitle(),
                                QStringLiteral("shown as \"%1\"").arg(zyl->shownTitle()));
        } else if (auto* label = qobject_cast<QLabel*>(w)) {
            checkLabel(label, out);
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            checkButton(button, out);
        } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
            checkComboBox(combo, out);
        } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
            if (!qobject_cast<QAbstractSpinBox*>(edit->parentWidget()))
                checkLineEdit(edit, out);
        }
    }
    return out;
}

} // namespace testsupport
