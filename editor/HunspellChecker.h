#pragma once

#include "editor/SpellChecker.h"

#include <QMutex>
#include <QSet>

#include <memory>

class Hunspell;

namespace qb {

// Words converted between the program's text and a dictionary's own encoding (its .aff file's
// SET line), without loss either way: a word the encoding cannot hold gives nullopt.
class DictionaryEncoding
{
public:
    explicit DictionaryEncoding(const QByteArray &name);
    ~DictionaryEncoding();
    DictionaryEncoding(const DictionaryEncoding &) = delete;
    DictionaryEncoding &operator=(const DictionaryEncoding &) = delete;

    bool isValid() const;
    std::optional<QByteArray> encode(QStringView text) const;
    std::optional<QString> decode(QByteArrayView bytes) const;

private:
    struct Converters;
    bool m_utf8 = false;
    std::unique_ptr<Converters> m_converters;
};

// The Hunspell engine on one dictionary (a .aff and a .dic file).
class HunspellChecker final : public SpellChecker
{
public:
    // Null when the files cannot be read as a dictionary.
    static std::unique_ptr<HunspellChecker> open(const QString &affPath, const QString &dicPath);
    ~HunspellChecker() override;

    bool isKnown(QStringView word) override;
    QStringList suggestions(QStringView word, int most) override;
    void addWord(const QString &word) override;
    QString wordCharacters() const override { return m_wordCharacters; }

private:
    HunspellChecker(std::unique_ptr<Hunspell> engine, std::unique_ptr<DictionaryEncoding> encoding);

    QMutex m_lock; // Hunspell itself is not safe to call from two threads at once
    std::unique_ptr<Hunspell> m_engine;
    std::unique_ptr<DictionaryEncoding> m_encoding;
    QString m_wordCharacters;
    QSet<QString> m_added; // also those the dictionary's encoding cannot hold
};

} // namespace qb
