#pragma once

#include <QByteArray>
#include <QHash>
#include <QJsonObject>
#include <QObject>
#include <QStringList>

#include <optional>

namespace qb {

// Where the user was in a note: the selection (the caret at `position`) and the scroll.
struct NotePlace
{
    int anchor = 0;
    int position = 0;
    int scroll = 0; // the editor's first line shown
    friend bool operator==(const NotePlace &, const NotePlace &) = default;
};

// What the program remembers between runs, as it is kept in the state file: the books opened
// last, the window, each book's last note, the places in the notes shown last, the editor's
// zoom and font, and the spelling switch and each book's language. Whatever part of a stored state
// is damaged is left out, the rest kept.
class ProgramState final : public QObject
{
    Q_OBJECT
public:
    static constexpr qsizetype kRecentBooks = 9;
    static constexpr qsizetype kBooks = 100;
    static constexpr qsizetype kNotePlaces = 1000;

    explicit ProgramState(QObject *parent = nullptr) : QObject(parent) {}

    // Takes the state `stored` holds, as readStateFile gave it.
    void restore(const QJsonObject &stored);
    QJsonObject toJson() const;

    // The newest first.
    const QStringList &recentBooks() const { return m_recentBooks; }
    // A book opened, made or dropped: first in the list.
    void addRecentBook(const QString &path);
    void removeRecentBook(const QString &path);

    // As QWidget::saveGeometry gives it; empty when none is kept.
    const QByteArray &windowGeometry() const { return m_windowGeometry; }
    void setWindowGeometry(const QByteArray &geometry);

    // The note shown last in the book at `bookPath`; empty when none is kept.
    QString lastNote(const QString &bookPath) const;
    void setLastNote(const QString &bookPath, const QString &notePath);

    std::optional<NotePlace> place(const QString &notePath) const;
    // Kept for the kNotePlaces notes given a place last.
    void setPlace(const QString &notePath, const NotePlace &place);

    // Steps of the editor's zoom from its normal size.
    int zoom() const { return m_zoom; }
    void setZoom(int steps);
    // The editor's font as QFont::toString gives it; empty for the program's own.
    const QString &font() const { return m_font; }
    void setFont(const QString &font);

    // Whether spelling is checked: on until the user switches it off.
    bool spellingOn() const { return m_spellingOn; }
    void setSpellingOn(bool on);
    // The language the book at `bookPath` is checked in; empty when none was chosen.
    QString bookLanguage(const QString &bookPath) const;
    void setBookLanguage(const QString &bookPath, const QString &language);

Q_SIGNALS:
    // Anything kept changed: the state is to be written.
    void changed();
    void recentBooksChanged();

private:
    template <typename Value> struct Used
    {
        Value value;
        qint64 used = 0; // larger is newer
    };
    // Drops the entries used longest ago until `map` holds `most`.
    template <typename Value> static void trim(QHash<QString, Used<Value>> &map, qsizetype most);

    QStringList m_recentBooks;
    QByteArray m_windowGeometry;
    QHash<QString, Used<QString>> m_lastNotes; // by book
    QHash<QString, Used<NotePlace>> m_places;  // by note
    qint64 m_uses = 0;
    int m_zoom = 0;
    QString m_font;
    bool m_spellingOn = true;
    QHash<QString, Used<QString>> m_languages; // by book
};

} // namespace qb
