#include "api/HttpResponseReader.h"

#include <algorithm>
#include <utility>

namespace orvela::api {

namespace {

/// The longest decimal length read as a number; any longer one is past every limit.
constexpr qsizetype kMaxLengthDigits = 18;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

int hexValue(char c)
{
    if (isDigit(c)) {
        return c - '0';
    }
    const char lower = static_cast<char>(c | 0x20);
    return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

/// A character of a field name (a token).
bool isTokenChar(char c)
{
    static constexpr QByteArrayView marks = "!#$%&'*+-.^_`|~";
    const char lower = static_cast<char>(c | 0x20);
    return isDigit(c) || (lower >= 'a' && lower <= 'z') || marks.contains(c);
}

/// Text that may stand in a field value, a reason phrase or a chunk extension: no control
/// character but the tab.
bool isFieldText(QByteArrayView text)
{
    return std::none_of(text.begin(), text.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return (u < 0x20 && c != '\t') || u == 0x7f;
    });
}

bool isDecimal(QByteArrayView text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), isDigit);
}

} // namespace

HttpResponseReader::HttpResponseReader(qint64 bodyLimit) : m_limit(bodyLimit) {}

bool HttpResponseReader::isRedirect(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 305 || status == 307 ||
           status == 308;
}

QByteArray HttpResponseReader::field(QByteArrayView name) const
{
    for (const auto& [fieldName, value] : m_fields) {
        if (fieldName.compare(name, Qt::CaseInsensitive) == 0) {
            return value;
        }
    }
    return {};
}

QByteArray HttpResponseReader::takeBody()
{
    QByteArray body = std::exchange(m_body, QByteArray());
    body.squeeze(); // gives back the room set aside beyond the body, in place
    return body;
}

void HttpResponseReader::feed(QByteArrayView bytes)
{
    while (!bytes.isEmpty() && m_state == State::reading) {
        const bool inBody =
            m_step == Step::lengthBody || m_step == Step::chunkData || m_step == Step::untilClose;
        bytes = bytes.sliced(inBody ? takeBody(bytes) : takeLine(bytes));
    }
}

void HttpResponseReader::end()
{
    if (m_state == State::reading) {
        fail(Failure::incomplete);
    }
}

qsizetype HttpResponseReader::lineRoom() const
{
    switch (m_step) {
    case Step::statusLine:
    case Step::field:
        return m_headLeft;
    case Step::trailer:
        return m_trailerLeft;
    default:
        return kMaxChunkLine;
    }
}

qsizetype HttpResponseReader::takeLine(QByteArrayView bytes)
{
    const qsizetype newline = bytes.indexOf('\n');
    const qsizetype used = newline < 0 ? bytes.size() : newline + 1;
    if (m_line.size() + used > lineRoom()) {
        fail(Failure::notHttp);
        return used;
    }
    m_line.append(bytes.first(newline < 0 ? used : newline));
    if (newline < 0) {
        return used;
    }
    const qsizetype length = m_line.size() + 1;
    if (m_step == Step::statusLine || m_step == Step::field) {
        m_headLeft -= length;
    } else if (m_step == Step::trailer) {
        m_trailerLeft -= length;
    }
    // Lines end in CR LF; a bare LF or a CR inside a line is how two readers come to disagree.
    if (!m_line.endsWith('\r') || m_line.first(m_line.size() - 1).contains('\r')) {
        fail(Failure::notHttp);
        return used;
    }
    m_line.chop(1);
    line(std::exchange(m_line, QByteArray()));
    return used;
}

void HttpResponseReader::line(const QByteArray& text)
{
    switch (m_step) {
    case Step::statusLine:
        statusLine(text);
        break;
    case Step::field:
        if (text.isEmpty()) {
            headEnded();
        } else if (m_fields.size() >= kMaxFields || !addField(text, &m_fields)) {
            fail(Failure::notHttp);
        }
        break;
    case Step::chunkSize:
        chunkSize(text);
        break;
    case Step::chunkEnd:
        if (!text.isEmpty()) {
            fail(Failure::notHttp);
        }
        m_step = Step::chunkSize;
        break;
    case Step::trailer:
        if (text.isEmpty()) {
            finish();
            return;
        }
        // Trailers are read only to find the end; none of them is kept.
        if (QList<QPair<QByteArray, QByteArray>> ignored;
            ++m_trailerFields > kMaxFields || !addField(text, &ignored)) {
            fail(Failure::notHttp);
        }
        break;
    default:
        break;
    }
}

void HttpResponseReader::statusLine(const QByteArray& text)
{
    // "HTTP/1.x 200 Reason", the reason optional.
    const bool shaped = text.size() >= 12 && text.startsWith("HTTP/1.") && isDigit(text[7]) &&
                        text[8] == ' ' && isDecimal(text.mid(9, 3)) &&
                        (text.size() == 12 || text[12] == ' ') && isFieldText(text.mid(13));
    const int status = shaped ? text.mid(9, 3).toInt() : 0;
    if (status < 100 || status > 599) {
        fail(Failure::notHttp);
        return;
    }
    m_minorVersion = text[7] - '0';
    m_status = status;
    m_fields.clear();
    m_step = Step::field;
}

bool HttpResponseReader::addField(const QByteArray& text,
                                  QList<QPair<QByteArray, QByteArray>>* into)
{
    // No blank before the colon and no folded continuation line: both let readers disagree
    // about which field a value belongs to.
    const qsizetype colon = text.indexOf(':');
    if (colon <= 0 || !std::all_of(text.begin(), text.begin() + colon, isTokenChar)) {
        return false;
    }
    const QByteArray value = text.mid(colon + 1).trimmed();
    if (!isFieldText(value)) {
        return false;
    }
    into->append({text.first(colon), value});
    return true;
}

void HttpResponseReader::headEnded()
{
    if (m_status < 200) {
        // An interim answer; the final one follows. Nothing here ever asks to switch protocols.
        if (m_status == 101) {
            fail(Failure::notHttp);
        }
        m_step = Step::statusLine;
        return;
    }
    m_headRead = true;
    QByteArrayList lengths;
    QByteArrayList encodings;
    for (const auto& [name, value] : std::as_const(m_fields)) {
        if (name.compare("Content-Length", Qt::CaseInsensitive) == 0) {
            lengths << value;
        } else if (name.compare("Transfer-Encoding", Qt::CaseInsensitive) == 0) {
            encodings << value;
        }
    }
    // An HTTP/1.0 answer cannot be chunked: its framing is taken as faulty.
    const bool ambiguous =
        lengths.size() + encodings.size() > 1 || (!lengths.isEmpty() && !isDecimal(lengths[0])) ||
        (!encodings.isEmpty() &&
         (encodings[0].compare("chunked", Qt::CaseInsensitive) != 0 || m_minorVersion == 0));
    if (ambiguous) {
        fail(Failure::ambiguousFraming);
    } else if (m_status == 204 || m_status == 304 || isRedirect(m_status)) {
        finish();
    } else if (!lengths.isEmpty()) {
        const QByteArray& digits = lengths[0];
        m_left = digits.size() > kMaxLengthDigits ? m_limit + 1 : digits.toLongLong();
        if (m_left > m_limit) {
            fail(Failure::tooLarge);
        } else if (m_left == 0) {
            finish();
        } else {
            m_body.reserve(m_left);
            m_step = Step::lengthBody;
        }
    } else {
        m_step = encodings.isEmpty() ? Step::untilClose : Step::chunkSize;
    }
}

void HttpResponseReader::chunkSize(const QByteArray& text)
{
    const qsizetype semicolon = text.indexOf(';');
    const QByteArrayView digits =
        QByteArrayView(text).first(semicolon < 0 ? text.size() : semicolon);
    const bool valid =
        !digits.isEmpty() && digits.size() <= 16 &&
        std::all_of(digits.begin(), digits.end(), [](char c) { return hexValue(c) >= 0; }) &&
        isFieldText(text);
    if (!valid) {
        fail(Failure::notHttp);
        return;
    }
    quint64 size = 0;
    for (const char c : digits) {
        size = size * 16 + static_cast<quint64>(hexValue(c));
    }
    // Its bytes are refused as they pass the limit, so no more than that is ever owed.
    m_left = static_cast<qint64>(std::min<quint64>(size, static_cast<quint64>(m_limit) + 1));
    m_step = size == 0 ? Step::trailer : Step::chunkData;
}

qsizetype HttpResponseReader::takeBody(QByteArrayView bytes)
{
    const qint64 n = m_step == Step::untilClose ? bytes.size() : std::min(m_left, bytes.size());
    if (m_body.size() + n > m_limit) {
        fail(Failure::tooLarge);
        return bytes.size();
    }
    append(bytes.first(n));
    m_left -= n;
    if (m_step == Step::lengthBody && m_left == 0) {
        finish();
    } else if (m_step == Step::chunkData && m_left == 0) {
        m_step = Step::chunkEnd;
    }
    return n;
}

void HttpResponseReader::append(QByteArrayView bytes)
{
    if (m_body.capacity() < m_body.size() + bytes.size()) {
        // Without an announced length the size is known only at the end. Growing the buffer
        // step by step would copy it into ever larger ones and hold it twice while doing so;
        // room for the whole limit is set aside once instead, and pages never written cost no
        // memory.
        m_body.reserve(m_limit);
    }
    m_body.append(bytes);
}

void HttpResponseReader::fail(Failure why)
{
    m_state = State::failed;
    m_failure = why;
    m_body = QByteArray();
}

void HttpResponseReader::finish()
{
    m_state = State::done;
}

} // namespace orvela::api
