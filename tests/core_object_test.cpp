#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "QbXmlLib5.h"
#include "support/ExceptionMessage.h"
#include "support/InertObject.h"

using namespace QbXmlLib5;
using QbTest::ExpectThrow;

namespace {

// A minimal bindable class that counts its destructions and exposes the
// protected services to the tests.
class CProbe : public QbTest::CInertObject<CXmlObjectBase> {
public:
    explicit CProbe(int* deaths, const char* name = "probe") : m_deaths(deaths) {
        SetElementName(name);
    }
    CXmlObjectBase* GetBase() override { return this; }
    std::string GetNamespace() override { return "urn:probe"; }

    std::string Name() const { return GetElementName(); }
    using CXmlObjectBase::Choice_CollectionChanged;
    using CXmlObjectBase::Choice_SelectElement;
    using CXmlObjectBase::Choice_SetElementValid;
    using CXmlObjectBase::IsNamespaceValid;
    using CXmlObjectBase::TestNamespace;
    using CXmlObjectBase::Throw_IfElementNameDiffers;
    using CXmlObjectBase::Throw_IfPropertyIsNull;

    int events = 0;

protected:
    ~CProbe() override {
        if (m_deaths) ++*m_deaths;
    }
    std::string GetTargetNamespace() override { return "urn:probe"; }
    void OnEvent(CXmlObjectBase*, MsgType, void*) override { ++events; }

private:
    int* m_deaths;
};

TEST(SmartPtrTest, ObjectDestroyedExactlyOnceWhenLastHolderGoes) {
    int deaths = 0;
    CProbe* raw = new CProbe(&deaths);
    {
        CSmartPtr<CProbe> a(raw);
        EXPECT_EQ(raw->AddRef(), 2);
        EXPECT_EQ(raw->Release(), 1);
        CSmartPtr<CProbe> b = a;
        CSmartPtr<CXmlObjectBase> base(b);  // converting copy
        CSmartPtr<CProbe> moved(std::move(b));
        EXPECT_TRUE(b.IsNull());
        CSmartPtr<CProbe>& alias = a;
        a = alias;  // self-assignment keeps the object alive
        a = nullptr;
        base = moved.GetPtr();  // re-pointing at the same object
        EXPECT_EQ(deaths, 0);
        moved = CSmartPtr<CProbe>();
        EXPECT_EQ(deaths, 0);
    }
    EXPECT_EQ(deaths, 1);

    // Re-pointing releases the old target at once.
    int other = 0;
    CSmartPtr<CProbe> p(new CProbe(&deaths));
    p = new CProbe(&other);
    EXPECT_EQ(deaths, 2);
    p = p.GetPtr();
    EXPECT_EQ(other, 0);
    p = nullptr;
    EXPECT_EQ(other, 1);

    // A copy is a new object, unheld; assignment keeps the target's holders.
    CSmartPtr<CProbe> original(new CProbe(&deaths, "original"));
    CSmartPtr<CProbe> copy(new CProbe(*original));
    EXPECT_EQ(copy->Name(), "original");
    *copy = *original;
    copy = nullptr;
    EXPECT_EQ(deaths, 3);
    EXPECT_EQ(original->AddRef(), 2);
    EXPECT_EQ(original->Release(), 1);
}

TEST(ObjectBaseTest, NullAndElementNameChecks) {
    int deaths = 0;
    CSmartPtr<CProbe> host(new CProbe(&deaths, "host"));
    CSmartPtr<CProbe> child(new CProbe(&deaths, "child"));
    ExpectThrow<CQbInvalidParamException>([&] { host->Throw_IfPropertyIsNull(nullptr, "Child"); },
                                          "The Property [Child] is mandatory, it may node be NULL");
    EXPECT_NO_THROW(host->Throw_IfPropertyIsNull(child, "Child"));
    EXPECT_NO_THROW(host->Throw_IfElementNameDiffers(nullptr, "anything"));
    EXPECT_NO_THROW(host->Throw_IfElementNameDiffers(child, "child"));
    ExpectThrow<CQbInvalidParamException>([&] { host->Throw_IfElementNameDiffers(child, "Child"); },
                                          "This property requrires an element with the name Child "
                                          "the element being set has the element name child");
    CXmlObjectBase::SetElementName(child, "renamed");
    EXPECT_EQ(child->Name(), "renamed");
}

TEST(ObjectBaseTest, ChoiceBookkeeping) {
    CSmartPtr<CProbe> host(new CProbe(nullptr));
    CSmartPtr<CProbe> member(new CProbe(nullptr));
    std::string sel;

    host->Choice_SelectElement("a", member, sel);
    EXPECT_EQ(sel, "a");
    // Another member with an object: refused, selection kept.
    ExpectThrow<CQbInvalidStateException>([&] { host->Choice_SelectElement("b", member, sel); },
                                          "The Property [a] is already set. Only one element "
                                          "within this class bay be set at a time");
    EXPECT_EQ(sel, "a");
    host->Choice_SelectElement("b", nullptr, sel);  // clearing another member: no-op
    EXPECT_EQ(sel, "a");
    host->Choice_SelectElement("a", nullptr, sel);
    EXPECT_EQ(sel, "");
    host->Choice_SelectElement("c", nullptr, sel);  // empty selection takes even a null
    EXPECT_EQ(sel, "c");

    // {member, new count, selection after}; "!" marks a refusal.
    sel = "a";
    const std::tuple<const char*, int, const char*> changes[] = {
        {"a", 3, "a"}, {"b", 1, "!"}, {"b", 0, "a"}, {"a", 0, ""}, {"b", 0, ""}, {"b", 2, "b"}};
    for (const auto& [name, count, after] : changes) {
        const std::string before = sel;
        if (after[0] == '!') {
            EXPECT_THROW(host->Choice_CollectionChanged(name, count, sel),
                         CQbInvalidStateException);
        } else {
            host->Choice_CollectionChanged(name, count, sel);
        }
        EXPECT_EQ(sel, after[0] == '!' ? before : after) << name << count;
    }

    sel.clear();
    host->Choice_SetElementValid(true, "x", sel);
    EXPECT_EQ(sel, "x");
    host->Choice_SetElementValid(true, "x", sel);
    ExpectThrow<CQbInvalidStateException>([&] { host->Choice_SetElementValid(true, "y", sel); },
                                          "The Property x is already set. Only one element within "
                                          "this class bay be set at a time");
    host->Choice_SetElementValid(false, "y", sel);  // clears whatever was selected
    EXPECT_EQ(sel, "");
}

TEST(ObjectBaseTest, NamespaceWildcards) {
    CSmartPtr<CProbe> p(new CProbe(nullptr));
    const char* both = "##targetNamespace ##local";
    // {namespace, restriction, valid} with the target namespace urn:t. As
    // in XML Schema, names in no namespace pass only ##local (and ##any).
    // clang-format off
    const std::tuple<const char*, const char*, bool> cases[] = {
        {"urn:x", "##any", true}, {"", "##any", true}, {"urn:t", "##other", false},
        {"urn:x", "##other", true}, {"", "##other", false}, {"", both, true}, {"urn:t", both, true},
        {"urn:x", both, false}, {"urn:a", "urn:a urn:b", true}, {"urn:b", "urn:a  urn:b", true},
        {"", "urn:a urn:b", false}, {"", "urn:a ##local", true}, {"urn:c", "urn:a urn:b", false},
        {"urn:c", "", false}};
    // clang-format on
    for (const auto& [ns, restriction, valid] : cases) {
        EXPECT_EQ(p->IsNamespaceValid(ns, restriction, "urn:t"), valid) << ns << " " << restriction;
    }
    ExpectThrow<CQbInvalidNamespaceException>(
        [&] { p->TestNamespace("urn:c", "##local", "urn:t"); },
        "Invalid namespace [urn:c]. The namespace must be one of [##local] where the target "
        "namespace is [urn:t]");
}

}  // namespace
