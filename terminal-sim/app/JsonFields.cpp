// SPDX-License-Identifier: GPL-3.0-or-later
#include "JsonFields.h"

#include <charconv>
#include <cmath>
#include <string_view>

namespace kolmaris {
namespace {

constexpr double kExactIntegerLimit = 9007199254740992.0;  // 2^53: doubles are exact below it
constexpr std::size_t kQuotedTextLimit = 40;

// Decimal, or hexadecimal after 0x; the whole text must be the number.
template <class T>
std::optional<T> ParseIntegerText(std::string_view text)
{
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    T value{};
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

std::string RangeText(int64_t min, int64_t max)
{
    return std::to_string(min) + ".." + std::to_string(max);
}

std::string NumberText(double value)
{
    return QByteArray::number(value, 'g', QLocale::FloatingPointShortest).toStdString();
}

bool IsPlainText(const std::string& text, bool ascii)
{
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F || (ascii && u > 0x7E))
            return false;
    }
    return true;
}

}  // namespace

std::string DescribeJson(const QJsonValue& value)
{
    switch (value.type()) {
        case QJsonValue::Null:
            return "null";
        case QJsonValue::Bool:
            return value.toBool() ? "true" : "false";
        case QJsonValue::Double:
            return NumberText(value.toDouble());
        case QJsonValue::String: {
            std::string text = value.toString().toStdString();
            if (text.size() > kQuotedTextLimit)
                text = text.substr(0, kQuotedTextLimit) + "...";
            return "\"" + text + "\"";
        }
        case QJsonValue::Array:
            return "an array";
        case QJsonValue::Object:
            return "an object";
        default:
            return "nothing";
    }
}

std::optional<int64_t> JsonInteger(const QJsonValue& value)
{
    if (value.isString())
        return ParseIntegerText<int64_t>(value.toString().toStdString());
    if (!value.isDouble())
        return std::nullopt;
    const double d = value.toDouble();
    if (!std::isfinite(d) || std::trunc(d) != d || std::fabs(d) > kExactIntegerLimit)
        return std::nullopt;
    return static_cast<int64_t>(d);
}

std::optional<int64_t> JsonIntegerAt(const QJsonValue& value, const std::string& path, int64_t min, int64_t max,
                                     std::string& error)
{
    const auto v = JsonInteger(value);
    if (v && *v >= min && *v <= max)
        return v;
    if (error.empty())
        error = "\"" + path + "\": expected an integer " + RangeText(min, max) + ", found " + DescribeJson(value);
    return std::nullopt;
}

std::string JsonFields::PathOf(const char* key) const
{
    return path_.empty() ? std::string(key) : path_ + "." + key;
}

void JsonFields::Fail(const std::string& path, const std::string& message)
{
    if (error_.empty())
        error_ = "\"" + path + "\": " + message;
}

bool JsonFields::Present(const char* key)
{
    known_.insert(key);
    return object_.contains(QLatin1String(key));
}

std::optional<QJsonValue> JsonFields::Take(const char* key)
{
    if (!Present(key) || Failed())
        return std::nullopt;
    return object_.value(QLatin1String(key));
}

std::optional<int64_t> JsonFields::IntegerValue(const char* key, int64_t min, int64_t max)
{
    const auto value = Take(key);
    if (!value)
        return std::nullopt;
    return JsonIntegerAt(*value, PathOf(key), min, max, error_);
}

void JsonFields::Unsigned64(const char* key, uint64_t& field)
{
    const auto value = Take(key);
    if (!value)
        return;
    std::optional<uint64_t> v;
    if (value->isString()) {
        v = ParseIntegerText<uint64_t>(value->toString().toStdString());
    } else if (const auto i = JsonInteger(*value); i && *i >= 0) {
        v = static_cast<uint64_t>(*i);
    }
    if (v)
        field = *v;
    else
        Fail(PathOf(key), "expected an integer 0..18446744073709551615 (in quotes above 2^53), found " +
                              DescribeJson(*value));
}

void JsonFields::Number(const char* key, double& field, double min, double max)
{
    const auto value = Take(key);
    if (!value)
        return;
    const double d = value->toDouble();
    if (value->isDouble() && d >= min && d <= max)
        field = d;
    else
        Fail(PathOf(key), "expected a number " + NumberText(min) + ".." + NumberText(max) + ", found " +
                              DescribeJson(*value));
}

void JsonFields::Boolean(const char* key, bool& field)
{
    const auto value = Take(key);
    if (!value)
        return;
    if (value->isBool())
        field = value->toBool();
    else
        Fail(PathOf(key), "expected true or false, found " + DescribeJson(*value));
}

void JsonFields::Text(const char* key, std::string& field, std::size_t maxLength, bool ascii)
{
    const auto value = Take(key);
    if (!value)
        return;
    const std::string text = value->toString().toStdString();
    if (value->isString() && text.size() <= maxLength && IsPlainText(text, ascii))
        field = text;
    else
        Fail(PathOf(key), "expected text of at most " + std::to_string(maxLength) +
                              (ascii ? " printable ASCII characters" : " bytes without control characters") +
                              ", found " + DescribeJson(*value));
}

std::optional<std::size_t> JsonFields::Choice(const char* key, const std::vector<const char*>& names)
{
    const auto value = Take(key);
    if (!value)
        return std::nullopt;
    std::string expected;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (value->isString() && value->toString() == QLatin1String(names[i]))
            return i;
        expected += (i == 0 ? "\"" : ", \"") + std::string(names[i]) + "\"";
    }
    Fail(PathOf(key), "expected one of " + expected + ", found " + DescribeJson(*value));
    return std::nullopt;
}

std::optional<QJsonObject> JsonFields::Object(const char* key)
{
    const auto value = Take(key);
    if (!value)
        return std::nullopt;
    if (value->isObject())
        return value->toObject();
    Fail(PathOf(key), "expected an object, found " + DescribeJson(*value));
    return std::nullopt;
}

std::optional<QJsonArray> JsonFields::Array(const char* key)
{
    const auto value = Take(key);
    if (!value)
        return std::nullopt;
    if (value->isArray())
        return value->toArray();
    Fail(PathOf(key), "expected an array, found " + DescribeJson(*value));
    return std::nullopt;
}

void JsonFields::Finish()
{
    if (Failed())
        return;
    for (auto it = object_.begin(); it != object_.end(); ++it) {
        const std::string key = it.key().toStdString();
        if (known_.count(key) != 0)
            continue;
        std::string list;
        for (const auto& k : known_)
            list += (list.empty() ? "" : ", ") + k;
        error_ = "unknown key \"" + PathOf(key.c_str()) + "\" (known here: " + list + ")";
        return;
    }
}

}  // namespace kolmaris
