#include <gtest/gtest.h>

#include <string>

#include "QbXmlLib5.h"

using namespace QbXmlLib5;

namespace {

// A minimal bindable class that counts its destructions and exposes the
// protected services to the tests.
class CProbe : public CXmlObjectBase {
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
    void ToXml_Int(CXmlWriter*, bool, const char*, const CXmlSerializationContext&,
                   bool) const override {}
    const CXmlElement* FromXml_Int(const CXmlElement*, const CXmlElement* current,
                                   const CXmlSerializationContext&, bool) override {
        return current;
    }

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
    try {
        host->Throw_IfPropertyIsNull(nullptr, "Child");
        FAIL() << "expected an exception";
    } catch (const CQbInvalidParamException& e) {
        EXPECT_EQ(e.GetMessage(), "The Property [Child] is mandatory, it may node be NULL");
    }
    EXPECT_NO_THROW(host->Throw_IfPropertyIsNull(child, "Child"));
    EXPECT_NO_THROW(host->Throw_IfElementNameDiffers(nullptr, "anything"));
    EXPECT_NO_THROW(host->Throw_IfElementNameDiffers(child, "child"));
    try {
        host->Throw_IfElementNameDiffers(child, "Child");
        FAIL() << "expected an exception";
    } catch (const CQbInvalidParamException& e) {
        EXPECT_EQ(e.GetMessage(),
                  "This property requrires an element with the name Child the element being "
                  "set has the element name child");
    }
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
    try {
        host->Choice_SelectElement("b", member, sel);
        FAIL() << "expected an exception";
    } catch (const CQbInvalidStateException& e) {
        EXPECT_EQ(e.GetMessage(),
                  "The Property [a] is already set. Only one element within this class bay be "
                  "set at a time");
    }
    EXPECT_EQ(sel, "a");
    host->Choice_SelectElement("b", nullptr, sel);  // clearing another member: no-op
    EXPECT_EQ(sel, "a");
    host->Choice_SelectElement("a", nullptr, sel);
    EXPECT_EQ(sel, "");
    host->Choice_SelectElement("c", nullptr, sel);  // empty selection takes even a null
    EXPECT_EQ(sel, "c");

    sel = "a";
    host->Choice_CollectionChanged("a", 3, sel);
    EXPECT_EQ(sel, "a");
    EXPECT_THROW(host->Choice_CollectionChanged("b", 1, sel), CQbInvalidStateException);
    host->Choice_CollectionChanged("b", 0, sel);
    EXPECT_EQ(sel, "a");
    host->Choice_CollectionChanged("a", 0, sel);
    EXPECT_EQ(sel, "");
    host->Choice_CollectionChanged("b", 0, sel);
    EXPECT_EQ(sel, "");
    host->Choice_CollectionChanged("b", 2, sel);
    EXPECT_EQ(sel, "b");

    sel.clear();
    host->Choice_SetElementValid(true, "x", sel);
    EXPECT_EQ(sel, "x");
    host->Choice_SetElementValid(true, "x", sel);
    try {
        host->Choice_SetElementValid(true, "y", sel);
        FAIL() << "expected an exception";
    } catch (const CQbInvalidStateException& e) {
        EXPECT_EQ(e.GetMessage(),
                  "The Property x is already set. Only one element within this class bay be set "
                  "at a time");
    }
    host->Choice_SetElementValid(false, "y", sel);  // clears whatever was selected
    EXPECT_EQ(sel, "");
}

TEST(ObjectBaseTest, NamespaceWildcards) {
    CSmartPtr<CProbe> p(new CProbe(nullptr));
    EXPECT_TRUE(p->IsNamespaceValid("urn:x", "##any", "urn:t"));
    EXPECT_TRUE(p->IsNamespaceValid("", "##any", "urn:t"));
    EXPECT_FALSE(p->IsNamespaceValid("urn:t", "##other", "urn:t"));
    EXPECT_TRUE(p->IsNamespaceValid("urn:x", "##other", "urn:t"));
    const char* both = "##targetNamespace ##local";
    EXPECT_TRUE(p->IsNamespaceValid("", both, "urn:t"));
    EXPECT_TRUE(p->IsNamespaceValid("urn:t", both, "urn:t"));
    EXPECT_FALSE(p->IsNamespaceValid("urn:x", both, "urn:t"));
    EXPECT_TRUE(p->IsNamespaceValid("urn:a", "urn:a urn:b", "urn:t"));
    EXPECT_TRUE(p->IsNamespaceValid("urn:b", "urn:a  urn:b", "urn:t"));
    EXPECT_TRUE(p->IsNamespaceValid("", "urn:a urn:b", "urn:t"));
    EXPECT_FALSE(p->IsNamespaceValid("urn:c", "urn:a urn:b", "urn:t"));
    EXPECT_FALSE(p->IsNamespaceValid("urn:c", "", "urn:t"));
    try {
        p->TestNamespace("urn:c", "##local", "urn:t");
        FAIL() << "expected an exception";
    } catch (const CQbInvalidNamespaceException& e) {
        EXPECT_EQ(e.GetMessage(),
                  "Invalid namespace [urn:c]. The namespace must be one of [##local] where the "
                  "target namespace is [urn:t]");
    }
}

}  // namespace
