#pragma once

#include <QString>

// Process-wide identifiers handed out by name, the way global atoms are: the
// same name gives the same identifier (0xC000-0xFFFF) until every holder has
// deleted it.
class KivGlobalAtom {
public:
    static int Add(const QString& name);
    static void Delete(int atom);
    // The name held for an identifier, or empty.
    static QString Name(int atom);
};
