#include "KivGlobalAtom.h"

#include <QHash>
#include <mutex>

namespace {

constexpr int kFirstAtom = 0xC000;
constexpr int kLastAtom = 0xFFFF;

struct AtomTable {
    std::mutex lock;
    QHash<QString, int> byName;
    QHash<int, QString> names;
    QHash<int, int> holders;
    int next = kFirstAtom;
};

AtomTable& Table() {
    static AtomTable table;
    return table;
}

}  // namespace

int KivGlobalAtom::Add(const QString& name) {
    if (name.isEmpty())
        return 0;
    AtomTable& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    const auto found = table.byName.constFind(name.toLower());
    if (found != table.byName.constEnd()) {
        ++table.holders[*found];
        return *found;
    }
    // Find a free identifier, wrapping around once.
    for (int tries = 0; tries <= kLastAtom - kFirstAtom; ++tries) {
        const int atom = table.next;
        table.next = atom == kLastAtom ? kFirstAtom : atom + 1;
        if (!table.names.contains(atom)) {
            table.byName.insert(name.toLower(), atom);
            table.names.insert(atom, name);
            table.holders.insert(atom, 1);
            return atom;
        }
    }
    return 0;
}

void KivGlobalAtom::Delete(int atom) {
    AtomTable& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    const auto holders = table.holders.find(atom);
    if (holders == table.holders.end())
        return;
    if (--*holders > 0)
        return;
    table.holders.erase(holders);
    table.byName.remove(table.names.value(atom).toLower());
    table.names.remove(atom);
}

QString KivGlobalAtom::Name(int atom) {
    AtomTable& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    return table.names.value(atom);
}
