// One item of an XML text as the scanner and the file reader give it, for
// comparing lists of items in tests.
#pragma once

#include <ostream>
#include <string>

struct Item {
    int kind;
    std::string markup;
    std::string content;
    bool operator==(const Item& other) const
    {
        return kind == other.kind && markup == other.markup && content == other.content;
    }
};

inline std::ostream& operator<<(std::ostream& out, const Item& item)
{
    return out << "{" << item.kind << ", \"" << item.markup << "\", \"" << item.content << "\"}";
}
