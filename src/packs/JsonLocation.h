#pragma once

#include <QByteArray>

#include <string>
#include <variant>
#include <vector>

// Where a value lies in the text of a JSON document, for messages that name a line: Qt's JSON
// classes keep no positions.

// One step from a value to a value inside it: a member name or an array index.
using JsonStep = std::variant<std::string, int>;
using JsonPath = std::vector<JsonStep>;

// "shortcuts[3].keys"
std::string JsonPathText(const JsonPath& path);

// The line (from 1) on which the value at the path starts in valid JSON text. A path that leads
// to a member or element that is not there gives the line of the last value found on the way.
int JsonLineOf(const QByteArray& text, const JsonPath& path);

// The line (from 1) of a byte offset.
int LineAtOffset(const QByteArray& text, qsizetype offset);
