#include "signing/RevisionDiff.h"

#include <cstring>
#include <map>
#include <optional>
#include <qpdf/QPDF.hh>
#include <set>

namespace orvela::signing {

namespace {

using Table = std::map<QPDFObjGen, QPDFXRefEntry>;
using Found = std::optional<Change>;

// Deeper than any real document nests direct objects; qpdf itself refuses far deeper ones.
constexpr int scanDepth = 64;

bool sameEntry(const QPDFXRefEntry& a, const QPDFXRefEntry& b)
{
    if (a.getType() != b.getType()) {
        return false;
    }
    return a.getType() == 1 ? a.getOffset() == b.getOffset()
                            : a.getObjStreamNumber() == b.getObjStreamNumber() &&
                                  a.getObjStreamIndex() == b.getObjStreamIndex();
}

std::string without(QPDFObjectHandle dictionary, std::initializer_list<const char*> keys)
{
    if (!dictionary.isDictionary()) {
        return dictionary.isNull() ? "<< >>" : dictionary.unparseResolved();
    }
    QPDFObjectHandle copy = dictionary.shallowCopy();
    for (const char* key : keys) {
        copy.removeKey(key);
    }
    return copy.unparse();
}

bool sameValue(QPDFObjectHandle a, QPDFObjectHandle b)
{
    if (a.isStream() || b.isStream()) {
        if (!a.isStream() || !b.isStream() || a.getDict().unparse() != b.getDict().unparse()) {
            return false;
        }
        const auto oldData = a.getRawStreamData();
        const auto newData = b.getRawStreamData();
        return oldData->getSize() == newData->getSize() &&
               std::memcmp(oldData->getBuffer(), newData->getBuffer(), oldData->getSize()) == 0;
    }
    return a.unparseResolved() == b.unparseResolved();
}

bool isSignatureField(QPDFObjectHandle item)
{
    if (!item.isDictionary()) {
        return false;
    }
    if (item.getKey("/FT").isNameAndEquals("/Sig")) {
        return true;
    }
    QPDFObjectHandle parent = item.getKey("/Parent");
    return parent.isDictionary() && parent.getKey("/FT").isNameAndEquals("/Sig");
}

/// Whether `after` keeps every item of `before` and adds only signature fields or widgets.
bool addsOnlySignatures(QPDFObjectHandle before, QPDFObjectHandle after)
{
    if (!after.isArray() && !after.isNull()) {
        return false;
    }
    std::multiset<std::string> kept;
    if (after.isArray()) {
        for (QPDFObjectHandle item : after.aitems()) {
            kept.insert(item.unparse());
        }
    }
    if (before.isArray()) {
        for (QPDFObjectHandle item : before.aitems()) {
            auto it = kept.find(item.unparse());
            if (it == kept.end()) {
                return false;
            }
            kept.erase(it);
        }
    }
    if (!after.isArray()) {
        return kept.empty();
    }
    for (QPDFObjectHandle item : after.aitems()) {
        if (kept.count(item.unparse()) != 0 && !isSignatureField(item)) {
            return false;
        }
    }
    return true;
}

Found formChange(QPDFObjectHandle before, QPDFObjectHandle after)
{
    if (without(before, {"/Fields", "/SigFlags"}) != without(after, {"/Fields", "/SigFlags"})) {
        return Change::form;
    }
    const auto fields = [](QPDFObjectHandle form) {
        return form.isDictionary() ? form.getKey("/Fields") : QPDFObjectHandle::newNull();
    };
    return addsOnlySignatures(fields(before), fields(after)) ? Found() : Change::form;
}

Found catalogueChange(QPDFObjectHandle before, QPDFObjectHandle after)
{
    if (without(before, {"/AcroForm", "/DSS"}) != without(after, {"/AcroForm", "/DSS"})) {
        return Change::catalogue;
    }
    QPDFObjectHandle oldForm = before.getKey("/AcroForm");
    QPDFObjectHandle newForm = after.getKey("/AcroForm");
    if (oldForm.isIndirect() && newForm.isIndirect() &&
        oldForm.getObjGen() == newForm.getObjGen()) {
        return std::nullopt; // the form object is compared on its own
    }
    return formChange(oldForm, newForm);
}

Found pageChange(QPDFObjectHandle before, QPDFObjectHandle after)
{
    if (without(before, {"/Annots"}) != without(after, {"/Annots"})) {
        return Change::pageContent;
    }
    return addsOnlySignatures(before.getKey("/Annots"), after.getKey("/Annots"))
               ? Found()
               : Change::annotation;
}

Change kindOf(QPDFObjectHandle object)
{
    if (object.isStream() || object.isDictionaryOfType("/Page")) {
        return Change::pageContent;
    }
    if (object.isDictionaryOfType("/Catalog")) {
        return Change::catalogue;
    }
    if (object.isDictionaryOfType("/Annot") || (object.isDictionary() && object.hasKey("/Rect"))) {
        return Change::annotation;
    }
    if (object.isDictionary() && (object.hasKey("/FT") || object.hasKey("/Fields"))) {
        return Change::form;
    }
    return Change::other;
}

struct Revisions {
    QPDF& before;
    QPDF& after;
    QPDFObjGen root;
    QPDFObjGen form;
    QPDFObjGen dss;
};

/// What redefining `id` changed, if it changed anything not allowed after signing.
Found redefinition(const Revisions& revisions, QPDFObjGen id)
{
    QPDFObjectHandle before = revisions.before.getObject(id);
    QPDFObjectHandle after = revisions.after.getObject(id);
    if (sameValue(before, after)) {
        return std::nullopt;
    }
    if (id == revisions.root) {
        return catalogueChange(before, after);
    }
    if (id == revisions.form) {
        return formChange(before, after);
    }
    if (id == revisions.dss || before.isDictionaryOfType("/DSS")) {
        return std::nullopt;
    }
    if (before.isArray()) {
        return addsOnlySignatures(before, after) ? Found() : Change::other;
    }
    if (before.isDictionaryOfType("/Page")) {
        return pageChange(before, after);
    }
    if (isSignatureField(before) && !before.hasKey("/V") &&
        without(before, {"/V", "/AP"}) == without(after, {"/V", "/AP"})) {
        return std::nullopt; // an empty signature field that was signed later
    }
    return kindOf(before);
}

bool refersTo(QPDFObjectHandle object, const std::set<QPDFObjGen>& ids, int depth)
{
    if (depth > scanDepth) {
        return true;
    }
    if (object.isStream()) {
        return refersTo(object.getDict(), ids, depth + 1);
    }
    const auto check = [&](QPDFObjectHandle item) {
        return item.isIndirect() ? ids.count(item.getObjGen()) != 0
                                 : refersTo(item, ids, depth + 1);
    };
    if (object.isArray()) {
        for (QPDFObjectHandle item : object.aitems()) {
            if (check(item)) {
                return true;
            }
        }
    } else if (object.isDictionary()) {
        for (auto& [key, item] : object.ditems()) {
            if (check(item)) {
                return true;
            }
        }
    }
    return false;
}

QPDFObjGen idOf(QPDFObjectHandle object)
{
    return object.isIndirect() ? object.getObjGen() : QPDFObjGen();
}

} // namespace

QList<Change> changesAfter(QPDF& before, QPDF& after)
{
    const Table oldTable = before.getXRefTable();
    const Table newTable = after.getXRefTable();
    const auto streamMoved = [&](int number) {
        const auto oldEntry = oldTable.find(QPDFObjGen(number, 0));
        const auto newEntry = newTable.find(QPDFObjGen(number, 0));
        return oldEntry == oldTable.end() || newEntry == newTable.end() ||
               !sameEntry(oldEntry->second, newEntry->second);
    };
    std::set<QPDFObjGen> redefined, added;
    std::set<Change> changes;
    for (const auto& [id, entry] : newTable) {
        const auto old = oldTable.find(id);
        if (old == oldTable.end()) {
            added.insert(id);
        } else if (!sameEntry(old->second, entry) ||
                   (entry.getType() == 2 && streamMoved(entry.getObjStreamNumber()))) {
            redefined.insert(id);
        }
    }
    for (const auto& [id, entry] : oldTable) {
        if (newTable.count(id) == 0) {
            changes.insert(Change::other); // an object deleted after signing
        }
    }
    QPDFObjectHandle oldRoot = before.getRoot();
    const Revisions revisions{before, after, idOf(oldRoot), idOf(oldRoot.getKey("/AcroForm")),
                              idOf(oldRoot.getKey("/DSS"))};
    if (idOf(after.getRoot()) != revisions.root) {
        changes.insert(Change::catalogue);
    }
    for (const QPDFObjGen& id : redefined) {
        if (const Found change = redefinition(revisions, id)) {
            changes.insert(*change);
        }
    }
    // A new object can only show if something refers to it; an object the signed revision
    // already had must not: it would fill a reference that pointed at nothing when signed.
    if (!added.empty()) {
        for (QPDFObjectHandle object : after.getAllObjects()) {
            const QPDFObjGen id = object.getObjGen();
            if (added.count(id) == 0 && redefined.count(id) == 0 && refersTo(object, added, 0)) {
                changes.insert(kindOf(object));
            }
        }
    }
    return QList<Change>(changes.begin(), changes.end());
}

} // namespace orvela::signing
