// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reads the fields of one JSON object of a hand-written file: each read checks the type and
// range and names the key with its path ("terminal.power", "elements[2].caption") when it
// fails. The first failure is kept; later reads do nothing. Keys nobody read are reported
// by Finish().

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace kolmaris {

class JsonFields {
public:
    JsonFields(const QJsonObject& object, std::string path, std::string& error)
        : object_(object), path_(std::move(path)), error_(error)
    {
    }

    bool Failed() const { return !error_.empty(); }
    // Path of a key of this object, for nested readers and messages.
    std::string PathOf(const char* key) const;

    // A missing key leaves the field alone. Integers may also be written as strings,
    // decimal or with 0x; null clears an optional field.
    template <class T>
    void Integer(const char* key, T& field, int64_t min, int64_t max)
    {
        if (const auto v = IntegerValue(key, min, max))
            field = static_cast<T>(*v);
    }
    template <class T>
    void Integer(const char* key, std::optional<T>& field, int64_t min, int64_t max)
    {
        if (Present(key) && object_.value(key).isNull()) {
            field.reset();
            return;
        }
        if (const auto v = IntegerValue(key, min, max))
            field = static_cast<T>(*v);
    }
    void Unsigned64(const char* key, uint64_t& field);
    void Number(const char* key, double& field, double min, double max);
    void Boolean(const char* key, bool& field);
    // At most `maxLength` bytes without control characters; only printable ASCII when `ascii`.
    void Text(const char* key, std::string& field, std::size_t maxLength, bool ascii = true);
    // The index of the name the key holds among `names`.
    std::optional<std::size_t> Choice(const char* key, const std::vector<const char*>& names);
    // Nested values: nullopt when missing or after a failure (reported here).
    std::optional<QJsonObject> Object(const char* key);
    std::optional<QJsonArray> Array(const char* key);

    // The raw value of a key, marked as read; nullopt when missing or after a failure.
    std::optional<QJsonValue> Take(const char* key);

    // Reports the first key that no read asked for.
    void Finish();

    // Reports `"path": message` unless a failure is already kept.
    void Fail(const std::string& path, const std::string& message);

private:
    bool Present(const char* key);
    std::optional<int64_t> IntegerValue(const char* key, int64_t min, int64_t max);

    const QJsonObject& object_;
    std::string path_;
    std::string& error_;
    std::set<std::string> known_;
};

// A JSON value, described for an error message: `"abc"`, `true`, `12.5`, `an object`.
std::string DescribeJson(const QJsonValue& value);
// An integer from a JSON number or string ("42", "0x2A"); nullopt when it is neither.
std::optional<int64_t> JsonInteger(const QJsonValue& value);
// Integer reading of an array element, with the same messages as the fields.
std::optional<int64_t> JsonIntegerAt(const QJsonValue& value, const std::string& path, int64_t min, int64_t max,
                                     std::string& error);

}  // namespace kolmaris
