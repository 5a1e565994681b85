// The pieces of text the code writer assembles generated code from: literals,
// comments, guards, facet expressions, and what a member's kind implies for
// the code that holds it.
#ifndef QBXSD_CODEWRITERUTIL_H
#define QBXSD_CODEWRITERUTIL_H

#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "CSchemaModel.h"

namespace Qbxsd {
namespace Emit {

// A C++ string literal holding `text`.
std::string Lit(const std::string& text);
// Documentation as comment lines of at most ~90 columns.
void Comment(std::ostream& out, const std::string& indent, const std::string& text);
std::string Guard(const std::string& ns, const std::string& stem);

bool IsText(const Member& m);
// Whether the class keeps mixed text of its own (its base keeps none).
bool OwnsMixedText(const ClassModel& cls);
// The record with the registration of ID, IDREF and IDREFS values.
std::string WithIdentity(const Member& m, const std::string& record);
// The record of a wildcard that reads through the global declarations.
std::string WithProcessing(const Member& m, const std::string& record);
bool IsObject(const Member& m);
bool ByValue(const Member& m);
bool Polymorphic(const Member& m);
// A repeated, optional member whose collection is made when first asked for.
bool CreatedWhenNeeded(const Member& m);
// Members with the class that declares them, base members first.
std::vector<std::pair<const ClassModel*, const Member*>> Owned(const ClassModel& cls);
std::string Prop(const ClassModel& owner, const Member& m);
std::string Rule(const std::string& whitespace);
std::string FacetsExpr(const Facets& f);
// A value collection's constructor arguments after name and namespace.
std::string ValueCollectionArgs(const Member& m, const Facets& f);
// The pattern that admits exactly the values of an enumeration.
std::string EnumPattern(const EnumModel& e);

}  // namespace Emit
}  // namespace Qbxsd

#endif  // QBXSD_CODEWRITERUTIL_H
