// CStringList to and from std::vector, for comparing lists in tests.
#pragma once

#include <string>
#include <vector>

#include "framework/collections.h"

inline std::vector<std::string> ToVector(const CStringList& list)
{
    std::vector<std::string> items;
    for (POSITION pos = list.GetHeadPosition(); pos;)
        items.push_back(list.GetNext(pos).GetString());
    return items;
}

inline CStringList& Fill(CStringList& list, const std::vector<std::string>& items)
{
    list.RemoveAll();
    for (const std::string& item : items)
        list.AddTail(item.c_str());
    return list;
}
