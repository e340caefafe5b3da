#include "notes/ProgramState.h"

#include <QJsonArray>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace qb {

namespace {

// Zoom steps beyond these are taken as damage.
constexpr int kZoomLimit = 40;

template <typename Value> QJsonArray newestLast(const auto &map, auto toJson)
{
    QList<std::pair<qint64, QJsonObject>> entries;
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        entries.append({it->used, toJson(it.key(), it->value)});
    std::sort(entries.begin(), entries.end(),
              [](const auto &a, const auto &b) { return a.first < b.first; });
    QJsonArray array;
    for (const auto &entry : std::as_const(entries))
        array.append(entry.second);
    return array;
}

bool isCount(const QJsonValue &value)
{
    return value.isDouble() && value.toDouble() >= 0 && value.toDouble() <= INT_MAX &&
           value.toDouble() == double(value.toInt());
}

} // namespace

template <typename Value> void ProgramState::trim(QHash<QString, Used<Value>> &map, qsizetype most)
{
    while (map.size() > most) {
        auto oldest = map.begin();
        for (auto it = map.begin(); it != map.end(); ++it) {
            if (it->used < oldest->used)
                oldest = it;
        }
        map.erase(oldest);
    }
}

void ProgramState::restore(const QJsonObject &stored)
{
    m_recentBooks.clear();
    for (const QJsonValue &book : stored.value(u"recentBooks"_s).toArray()) {
        if (book.isString() && !book.toString().isEmpty() &&
            !m_recentBooks.contains(book.toString()) && m_recentBooks.size() < kRecentBooks)
            m_recentBooks.append(book.toString());
    }
    m_windowGeometry = QByteArray::fromBase64(
        stored.value(u"window"_s).toObject().value(u"geometry"_s).toString().toLatin1());
    m_lastNotes.clear();
    m_places.clear();
    m_uses = 0;
    // Oldest first, as written.
    for (const QJsonValue &entry : stored.value(u"books"_s).toArray()) {
        const QJsonObject book = entry.toObject();
        const QString path = book.value(u"book"_s).toString(),
                      note = book.value(u"note"_s).toString();
        if (!path.isEmpty() && !note.isEmpty())
            m_lastNotes.insert(path, {note, ++m_uses});
    }
    trim(m_lastNotes, kBooks);
    for (const QJsonValue &entry : stored.value(u"notes"_s).toArray()) {
        const QJsonObject note = entry.toObject();
        const QString path = note.value(u"note"_s).toString();
        const QJsonValue anchor = note.value(u"anchor"_s), position = note.value(u"position"_s),
                         scroll = note.value(u"scroll"_s);
        if (!path.isEmpty() && isCount(anchor) && isCount(position) && isCount(scroll))
            m_places.insert(path, {{anchor.toInt(), position.toInt(), scroll.toInt()}, ++m_uses});
    }
    trim(m_places, kNotePlaces);
    const QJsonObject view = stored.value(u"view"_s).toObject();
    const int zoom = view.value(u"zoom"_s).toInt();
    m_zoom = std::abs(zoom) <= kZoomLimit ? zoom : 0;
    m_font = view.value(u"font"_s).toString();
    const QJsonObject spelling = stored.value(u"spelling"_s).toObject();
    m_spellingOn = spelling.value(u"on"_s).toBool(true);
    m_languages.clear();
    for (const QJsonValue &entry : spelling.value(u"books"_s).toArray()) {
        const QJsonObject book = entry.toObject();
        const QString path = book.value(u"book"_s).toString(),
                      language = book.value(u"language"_s).toString();
        if (!path.isEmpty() && !language.isEmpty())
            m_languages.insert(path, {language, ++m_uses});
    }
    trim(m_languages, kBooks);
    Q_EMIT recentBooksChanged();
}

QJsonObject ProgramState::toJson() const
{
    QJsonObject state;
    state.insert(u"recentBooks"_s, QJsonArray::fromStringList(m_recentBooks));
    if (!m_windowGeometry.isEmpty())
        state.insert(u"window"_s, QJsonObject{{u"geometry"_s,
                                               QString::fromLatin1(m_windowGeometry.toBase64())}});
    state.insert(u"books"_s,
                 newestLast<QString>(m_lastNotes, [](const QString &book, const QString &note) {
                     return QJsonObject{{u"book"_s, book}, {u"note"_s, note}};
                 }));
    state.insert(u"notes"_s,
                 newestLast<NotePlace>(m_places, [](const QString &note, const NotePlace &place) {
                     return QJsonObject{{u"note"_s, note},
                                        {u"anchor"_s, place.anchor},
                                        {u"position"_s, place.position},
                                        {u"scroll"_s, place.scroll}};
                 }));
    QJsonObject view{{u"zoom"_s, m_zoom}};
    if (!m_font.isEmpty())
        view.insert(u"font"_s, m_font);
    state.insert(u"view"_s, view);
    state.insert(
        u"spelling"_s,
        QJsonObject{{u"on"_s, m_spellingOn},
                    {u"books"_s, newestLast<QString>(m_languages, [](const QString &book,
                                                                     const QString &language) {
                         return QJsonObject{{u"book"_s, book}, {u"language"_s, language}};
                     })}});
    return state;
}

void ProgramState::addRecentBook(const QString &path)
{
    if (!m_recentBooks.isEmpty() && m_recentBooks.constFirst() == path)
        return;
    m_recentBooks.removeAll(path);
    m_recentBooks.prepend(path);
    if (m_recentBooks.size() > kRecentBooks)
        m_recentBooks.resize(kRecentBooks);
    Q_EMIT recentBooksChanged();
    Q_EMIT changed();
}

void ProgramState::removeRecentBook(const QString &path)
{
    if (m_recentBooks.removeAll(path) == 0)
        return;
    Q_EMIT recentBooksChanged();
    Q_EMIT changed();
}

void ProgramState::setWindowGeometry(const QByteArray &geometry)
{
    if (geometry == m_windowGeometry)
        return;
    m_windowGeometry = geometry;
    Q_EMIT changed();
}

QString ProgramState::lastNote(const QString &bookPath) const
{
    const auto found = m_lastNotes.constFind(bookPath);
    return found == m_lastNotes.cend() ? QString() : found->value;
}

void ProgramState::setLastNote(const QString &bookPath, const QString &notePath)
{
    if (bookPath.isEmpty() || notePath.isEmpty() || lastNote(bookPath) == notePath)
        return;
    m_lastNotes.insert(bookPath, {notePath, ++m_uses});
    trim(m_lastNotes, kBooks);
    Q_EMIT changed();
}

std::optional<NotePlace> ProgramState::place(const QString &notePath) const
{
    const auto found = m_places.constFind(notePath);
    return found == m_places.cend() ? std::nullopt : std::optional(found->value);
}

void ProgramState::setPlace(const QString &notePath, const NotePlace &place)
{
    if (notePath.isEmpty())
        return;
    const auto found = m_places.find(notePath);
    if (found != m_places.end() && found->value == place && found->used == m_uses)
        return;
    m_places.insert(notePath, {place, ++m_uses});
    trim(m_places, kNotePlaces);
    Q_EMIT changed();
}

void ProgramState::setZoom(int steps)
{
    steps = std::clamp(steps, -kZoomLimit, kZoomLimit);
    if (steps == m_zoom)
        return;
    m_zoom = steps;
    Q_EMIT changed();
}

void ProgramState::setFont(const QString &font)
{
    if (font == m_font)
        return;
    m_font = font;
    Q_EMIT changed();
}

void ProgramState::setSpellingOn(bool on)
{
    if (on == m_spellingOn)
        return;
    m_spellingOn = on;
    Q_EMIT changed();
}

QString ProgramState::bookLanguage(const QString &bookPath) const
{
    const auto found = m_languages.constFind(bookPath);
    return found == m_languages.cend() ? QString() : found->value;
}

void ProgramState::setBookLanguage(const QString &bookPath, const QString &language)
{
    if (bookPath.isEmpty() || language.isEmpty() || bookLanguage(bookPath) == language)
        return;
    m_languages.insert(bookPath, {language, ++m_uses});
    trim(m_languages, kBooks);
    Q_EMIT changed();
}

} // namespace qb
