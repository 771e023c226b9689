#pragma once

// Checks the flasher's JSON Lines and audit records against the tables of docs/json-lines.md,
// read from the document itself, so that the program and its documented schema cannot drift.

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "cli/station/Json.h"

namespace stationtest {

using orvane::cli::station::JsonValue;

// event -> key ("script.path" for nested ones) -> type text of the table.
using Schema = std::map<std::string, std::map<std::string, std::string>>;

inline std::string Unquote(std::string cell) {
    while (!cell.empty() && (cell.front() == ' ' || cell.front() == '`')) {
        cell.erase(cell.begin());
    }
    while (!cell.empty() && (cell.back() == ' ' || cell.back() == '`')) {
        cell.pop_back();
    }
    return cell;
}

// The rows "| event | key | type | meaning |" of the document.
inline const Schema& DocumentedSchema() {
    static const Schema schema = [] {
        Schema s;
        std::ifstream in(ORVANE_JSON_SCHEMA_DOC);
        std::string line;
        while (std::getline(in, line)) {
            std::vector<std::string> cells;
            std::stringstream row(line);
            std::string cell;
            while (std::getline(row, cell, '|')) {
                cells.push_back(Unquote(cell));
            }
            // "", event, key, type, meaning
            if (cells.size() >= 5 && cells[0].empty() && line.find("| `") == 0 &&
                cells[2] != "key") {
                s[cells[1]][cells[2]] = cells[3];
            } else if (cells.size() >= 5 && cells[1] == "record" && cells[2] != "key") {
                s["record"][cells[2]] = cells[3];
            }
        }
        return s;
    }();
    return schema;
}

inline bool TypeFits(const JsonValue& v, const std::string& type) {
    using Kind = JsonValue::Kind;
    const bool isInteger =
        v.kind == Kind::Number && v.number == static_cast<double>(static_cast<long long>(v.number));
    if (type == "string") return v.kind == Kind::String;
    if (type == "integer") return isInteger;
    if (type == "number") return v.kind == Kind::Number;
    if (type == "string or null") return v.kind == Kind::String || v.kind == Kind::Null;
    if (type == "integer or null") return isInteger || v.kind == Kind::Null;
    if (type == "array of strings") {
        if (v.kind != Kind::Array) return false;
        for (const JsonValue& item : v.items) {
            if (item.kind != Kind::String) return false;
        }
        return true;
    }
    return false;
}

// Flattens nested objects into "outer.inner" keys.
inline void Flatten(const JsonValue& object, const std::string& prefix,
                    std::map<std::string, const JsonValue*>& out) {
    for (const auto& [key, value] : object.members) {
        if (value.kind == JsonValue::Kind::Object) {
            Flatten(value, prefix + key + ".", out);
        } else {
            out[prefix + key] = &value;
        }
    }
}

// "" when `object` has exactly the keys of `event` in the schema, with their types; otherwise
// what is wrong.
inline std::string Problems(const JsonValue& object, const std::string& event,
                            const std::map<std::string, std::string>& extra = {}) {
    const Schema& schema = DocumentedSchema();
    const auto rows = schema.find(event);
    if (rows == schema.end()) {
        return "event not documented: " + event;
    }
    std::map<std::string, std::string> keys = rows->second;
    keys.insert(extra.begin(), extra.end());
    std::map<std::string, const JsonValue*> flat;
    Flatten(object, "", flat);
    std::string problems;
    for (const auto& [key, type] : keys) {
        const auto it = flat.find(key);
        if (it == flat.end()) {
            problems += "missing " + key + "; ";
        } else if (!TypeFits(*it->second, type)) {
            problems += key + " is not " + type + "; ";
        }
    }
    for (const auto& [key, value] : flat) {
        if (keys.count(key) == 0) {
            problems += "undocumented key " + key + "; ";
        }
    }
    return problems;
}

// Checks one line of --json output.
inline std::string LineProblems(const std::string& line, JsonValue* parsed = nullptr) {
    JsonValue object;
    std::string error;
    if (!orvane::cli::station::ParseJson(line, object, error) ||
        object.kind != JsonValue::Kind::Object) {
        return "not a JSON object: " + error + ": " + line;
    }
    if (parsed != nullptr) {
        *parsed = object;
    }
    if (object["event"].kind != JsonValue::Kind::String) {
        return "no event: " + line;
    }
    const std::string problems =
        Problems(object, object["event"].text,
                 {{"event", "string"}, {"time", "integer"}, {"device", "string or null"}});
    return problems.empty() ? "" : problems + " in " + line;
}

inline std::string RecordProblems(const JsonValue& record) {
    return Problems(record, "record");
}

}  // namespace stationtest
