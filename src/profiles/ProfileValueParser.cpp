#include "profiles/ProfileValueParser.h"

#include "platform/Log.h"

namespace {

QString withoutQuotes(QString s) {
    return s.remove(QLatin1Char('"'));
}
QString withoutSpaces(QString s) {
    return s.remove(QLatin1Char(' '));
}

// The text after the first "{" up to the first "}" behind it; nullopt without such a pair.
std::optional<QString> braceContent(const QString& text) {
    const qsizetype open = text.indexOf(QLatin1Char('{'));
    if (open < 0)
        return std::nullopt;
    const qsizetype close = text.indexOf(QLatin1Char('}'), open + 1);
    if (close < 0)
        return std::nullopt;
    return text.mid(open + 1, close - open - 1);
}

} // namespace

std::optional<QString> ProfileValueParser::new_startAndendnospaceString(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == QLatin1Char(' '))
        ++begin;
    while (end > begin && text.at(end - 1) == QLatin1Char(' '))
        --end;
    if (begin == end && !text.isEmpty())
        return std::nullopt;
    return text.mid(begin, end - begin);
}

std::optional<QStringList> ProfileValueParser::resultContentStrForArr(const QString& value, Style style) {
    const QString text = withoutQuotes(value);
    if (text.isEmpty()) {
        qCDebug(lcProfiles) << "no have content";
        return std::nullopt;
    }
    if (const std::optional<QString> inner = braceContent(text)) {
        const QString content = style == Style::SettingsWindow ? withoutSpaces(*inner) : *inner;
        const QStringList list = content.split(QLatin1Char(','), Qt::SkipEmptyParts);
        qCDebug(lcProfiles) << text << list;
        return list;
    }
    const QString last = text.split(QLatin1Char(',')).constLast();
    if (last.isEmpty())
        return std::nullopt;
    std::optional<QString> single;
    if (style == Style::SettingsWindow)
        single = withoutSpaces(last);
    else
        single = new_startAndendnospaceString(last);
    if (!single || single->isEmpty())
        return std::nullopt;
    qCDebug(lcProfiles) << text << *single;
    return QStringList{*single};
}

std::optional<QString> ProfileValueParser::resultSelectItemTitleForContentStr(const QString& value,
                                                                              Style style) {
    const QString text = withoutQuotes(value);
    if (text.isEmpty()) {
        qCDebug(lcProfiles) << "no have content";
        return std::nullopt;
    }
    // What no choice resolves to: nothing for the settings window, an empty text for the browsers.
    auto none = [style]() -> std::optional<QString> {
        return style == Style::Browser ? std::optional<QString>(QString()) : std::nullopt;
    };
    auto trimmed = [&](const QString& s) -> std::optional<QString> {
        std::optional<QString> t = new_startAndendnospaceString(s);
        return t ? t : none();
    };

    qsizetype p = text.indexOf(QLatin1String(",{"));
    if (p < 0)
        p = text.indexOf(QLatin1String(", {"));
    if (p < 0)
        p = text.size();
    const QStringList head = text.left(p).split(QLatin1Char(','));
    if (head.size() >= 2)
        return head.constLast();

    for (const QLatin1String separator : {QLatin1String(", {"), QLatin1String(",{")}) {
        const qsizetype at = text.indexOf(separator);
        if (at < 0 || !text.contains(QLatin1Char('}')))
            continue;
        const QStringList before = text.left(at).split(QLatin1Char(','), Qt::SkipEmptyParts);
        if (!before.isEmpty())
            return trimmed(before.constLast());
        if (style == Style::Browser)
            return none();
        // Nothing chosen: the settings window offers the first option.
        const std::optional<QString> inner = braceContent(text);
        const QStringList options =
            inner ? inner->split(QLatin1Char(','), Qt::SkipEmptyParts) : QStringList();
        if (options.isEmpty())
            return none();
        return trimmed(options.constFirst());
    }

    QStringList parts;
    for (const QString& part : text.split(QLatin1Char(','))) {
        if (style == Style::SettingsWindow ? withoutQuotes(part).isEmpty()
                                           : new_startAndendnospaceString(part).value_or(QString()).isEmpty())
            continue;
        parts << part;
    }
    if (parts.isEmpty())
        return none();
    return trimmed(parts.constLast());
}
