// The user defaults the program reads, with the kind of value each takes and what it does.
// `defaults write` refuses other keys unless forced (a typo would otherwise be stored and
// silently do nothing), and checks the value against the kind. A module that reads a new key
// adds it here. Constant data.
#pragma once

#include <string>
#include <vector>

enum class BVDefaultKind { Boolean, Integer, Text };

struct BVKnownDefault {
    std::string key;
    BVDefaultKind kind;
    std::string meaning;
};

const std::vector<BVKnownDefault>& BVKnownDefaults();
const BVKnownDefault* BVKnownDefaultNamed(const std::string& key);
std::string BVDefaultKindName(BVDefaultKind kind);
