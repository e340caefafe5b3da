#include "editor/HunspellChecker.h"

#include <QFile>

#include <hunspell/hunspell.hxx>

#include <cerrno>
#include <iconv.h>
#include <mutex>

using namespace Qt::StringLiterals;

namespace qb {
namespace {

// What iconv_open gives when it has no such conversion.
const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

// All of `in` through `converter`; nullopt when a character has no place in the target.
std::optional<QByteArray> convert(iconv_t converter, QByteArrayView in)
{
    iconv(converter, nullptr, nullptr, nullptr, nullptr); // a fresh start
    QByteArray out(in.size() * 4 + 16, Qt::Uninitialized);
    char *from = const_cast<char *>(in.data());
    size_t fromLeft = size_t(in.size());
    char *to = out.data();
    size_t toLeft = size_t(out.size());
    while (fromLeft > 0) {
        if (iconv(converter, &from, &fromLeft, &to, &toLeft) == size_t(-1)) {
            if (errno != E2BIG)
                return std::nullopt;
            const qsizetype done = to - out.data();
            out.resize(out.size() * 2);
            to = out.data() + done;
            toLeft = size_t(out.size() - done);
        }
    }
    if (iconv(converter, nullptr, nullptr, &to, &toLeft) == size_t(-1))
        return std::nullopt;
    out.resize(to - out.data());
    return out;
}

} // namespace

struct DictionaryEncoding::Converters
{
    iconv_t toDictionary = kNoConverter;
    iconv_t fromDictionary = kNoConverter;
    mutable std::mutex lock;
    ~Converters()
    {
        if (toDictionary != kNoConverter)
            iconv_close(toDictionary);
        if (fromDictionary != kNoConverter)
            iconv_close(fromDictionary);
    }
};

DictionaryEncoding::DictionaryEncoding(const QByteArray &name)
    : m_converters(std::make_unique<Converters>())
{
    const QByteArray upper = name.trimmed().toUpper();
    m_utf8 = upper == "UTF-8" || upper == "UTF8";
    if (m_utf8)
        return;
    // Hunspell writes ISO8859-1 where iconv knows ISO-8859-1.
    QByteArray known = upper;
    if (known.startsWith("ISO8859"))
        known.insert(3, '-');
    m_converters->toDictionary = iconv_open(known.constData(), "UTF-8");
    m_converters->fromDictionary = iconv_open("UTF-8", known.constData());
}

DictionaryEncoding::~DictionaryEncoding() = default;

bool DictionaryEncoding::isValid() const
{
    return m_utf8 || (m_converters->toDictionary != kNoConverter &&
                      m_converters->fromDictionary != kNoConverter);
}

std::optional<QByteArray> DictionaryEncoding::encode(QStringView text) const
{
    // A lone surrogate has no UTF-8 either.
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (text[i].isSurrogate())
            return std::nullopt;
    }
    const QByteArray utf8 = text.toUtf8();
    if (m_utf8)
        return utf8;
    if (!isValid())
        return std::nullopt;
    const std::lock_guard guard(m_converters->lock);
    return convert(m_converters->toDictionary, utf8);
}

std::optional<QString> DictionaryEncoding::decode(QByteArrayView bytes) const
{
    QByteArray utf8;
    if (m_utf8) {
        utf8 = bytes.toByteArray();
    } else {
        if (!isValid())
            return std::nullopt;
        const std::lock_guard guard(m_converters->lock);
        const std::optional<QByteArray> converted = convert(m_converters->fromDictionary, bytes);
        if (!converted)
            return std::nullopt;
        utf8 = *converted;
    }
    const QString text = QString::fromUtf8(utf8);
    // Bytes that are no UTF-8 would come back as U+FFFD: a garbled word is no word.
    if (text.toUtf8() != utf8)
        return std::nullopt;
    return text;
}

std::unique_ptr<HunspellChecker> HunspellChecker::open(const QString &affPath,
                                                       const QString &dicPath)
{
    // Hunspell says nothing of a file it could not read: it checks as if with an empty one.
    if (!QFile::exists(affPath) || !QFile::exists(dicPath))
        return nullptr;
    auto engine = std::make_unique<Hunspell>(QFile::encodeName(affPath).constData(),
                                             QFile::encodeName(dicPath).constData());
    auto encoding = std::make_unique<DictionaryEncoding>(QByteArray(engine->get_dic_encoding()));
    if (!encoding->isValid())
        return nullptr;
    return std::unique_ptr<HunspellChecker>(
        new HunspellChecker(std::move(engine), std::move(encoding)));
}

HunspellChecker::HunspellChecker(std::unique_ptr<Hunspell> engine,
                                 std::unique_ptr<DictionaryEncoding> encoding)
    : m_engine(std::move(engine)), m_encoding(std::move(encoding))
{
    const std::string &chars = m_engine->get_wordchars_cpp();
    if (const std::optional<QString> text = m_encoding->decode(QByteArrayView(chars)))
        m_wordCharacters = *text;
}

HunspellChecker::~HunspellChecker() = default;

bool HunspellChecker::isKnown(QStringView word)
{
    const std::optional<QByteArray> bytes = m_encoding->encode(word);
    const QMutexLocker guard(&m_lock);
    if (m_added.contains(word.toString()))
        return true;
    return bytes && !bytes->isEmpty() && m_engine->spell(bytes->toStdString());
}

QStringList HunspellChecker::suggestions(QStringView word, int most)
{
    QStringList offered;
    const std::optional<QByteArray> bytes = m_encoding->encode(word);
    if (!bytes || bytes->isEmpty())
        return offered;
    std::vector<std::string> found;
    {
        const QMutexLocker guard(&m_lock);
        found = m_engine->suggest(bytes->toStdString());
    }
    for (const std::string &suggestion : found) {
        if (offered.size() >= most)
            break;
        if (const std::optional<QString> text = m_encoding->decode(QByteArrayView(suggestion)))
            offered.append(*text);
    }
    return offered;
}

void HunspellChecker::addWord(const QString &word)
{
    const std::optional<QByteArray> bytes = m_encoding->encode(word);
    const QMutexLocker guard(&m_lock);
    m_added.insert(word);
    if (bytes && !bytes->isEmpty())
        m_engine->add(bytes->toStdString());
}

} // namespace qb
