// Deep documents and object trees on threads with small stacks (128 and
// 256 KiB, as thread pools give): untyped content works at every depth, and
// generated objects (classes qbxsd makes from tests/schemas/recursive) either
// work or refuse with an exception naming the limit; nothing may exhaust the
// stack.
#include <gtest/gtest.h>
#include <pthread.h>

#include <cstdio>
#include <functional>
#include <string>

#include "recursive.h"

using namespace QbXmlLib5;

namespace {

const std::size_t kStacks[] = {128 * 1024, 256 * 1024};
const int kDepths[] = {1000, 10000, 100000};
const char kNs[] = "urn:qbtest:recursive";

std::string Innermost(const CQbException& e) {
    const CQbException* inner = &e;
    while (inner->GetInnerException()) inner = inner->GetInnerException();
    return inner->GetMessage();
}

// Runs `work` on a new thread with a stack of `bytes`; returns the innermost
// message of the CQbException it threw, or "" when it threw none.
std::string OnThread(std::size_t bytes, const std::function<void()>& work) {
    struct Job {
        const std::function<void()>* work;
        std::string outcome;
    } job{&work, ""};
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    EXPECT_EQ(pthread_attr_setstacksize(&attr, bytes), 0);
    pthread_t thread;
    const auto entry = [](void* arg) -> void* {
        Job* running = static_cast<Job*>(arg);
        try {
            (*running->work)();
        } catch (const CQbException& e) {
            running->outcome = Innermost(e);
        }
        return nullptr;
    };
    EXPECT_EQ(pthread_create(&thread, &attr, entry, &job), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attr);
    return job.outcome;
}

std::string Repeat(const std::string& text, int times) {
    std::string result;
    result.reserve(text.size() * static_cast<std::size_t>(times));
    for (int i = 0; i < times; ++i) result += text;
    return result;
}

// A refusal of deep generated objects names the limit it met.
void ExpectLimit(const std::string& outcome, std::size_t stack, int depth) {
    if (outcome.empty()) return;
    const bool levels = outcome == "Generated objects are nested more than 1000 levels deep";
    const std::string small = "Nesting stopped at level ";
    const bool bytes = outcome.compare(0, small.size(), small) == 0 &&
                       outcome.find("KiB of this thread's") != std::string::npos;
    EXPECT_TRUE(levels || bytes) << outcome << " (stack " << stack << ", depth " << depth << ")";
}

int NodeLevels(const Recursive::CNode* node) {
    int levels = 1;
    for (; node->GetNode()->GetCount() > 0; ++levels) node = node->GetNode()->Item(0);
    return levels;
}

int ExprLevels(const Recursive::CExpr* expr) {
    int levels = 1;
    for (; expr->GetNeg(); ++levels) expr = expr->GetNeg();
    return levels;
}

}  // namespace

TEST(Stack, UntypedContentWorksAtAnyDepthOnSmallStacks) {
    for (std::size_t stack : kStacks) {
        for (int depth : kDepths) {
            const std::string xml = Repeat("<d>", depth - 1) + "<d/>" + Repeat("</d>", depth - 1);
            const std::string outcome = OnThread(stack, [&] {
                CSmartPtr<CElement> built = new CElement("d");
                CElement* leaf = built;
                for (int i = 1; i < depth; ++i) leaf = leaf->GetChildElements()->Add("d", "");
                const auto levels = [](const CElement* e) {
                    int count = 1;
                    for (; e->GetChildElements()->GetCount() > 0; ++count) {
                        e = e->GetChildElements()->Item(0);
                    }
                    return count;
                };
                EXPECT_EQ(built->ToXml(false, false, EOL_LF), xml);
                CSmartPtr<CElement> read = new CElement("x");
                read->FromXml(xml.c_str());
                EXPECT_EQ(levels(read), depth);
                read->FromXmlStream(built->ToXmlStream(true, false, XE_UTF16, EOL_LF,
                                                       CXmlSerializationContext(), CT_GZIP));
                EXPECT_EQ(read->ToXml(false, false, EOL_LF), xml);
                read->FromXmlStream(built->ToFastInfosetStream(FI_DECL_NONE));
                EXPECT_EQ(levels(read), depth);
                CSmartPtr<CElement> copy = new CElement(read.GetPtr());
                EXPECT_EQ(levels(copy), depth);
                copy->SetNamespaceRestrictions("##local", "");
                EXPECT_EQ(leaf->GetNamespaceRestriction(), "##any");
            });
            EXPECT_EQ(outcome, "") << "stack " << stack << ", depth " << depth;
        }
    }
}

TEST(Stack, GeneratedObjectsWorkOrRefuseOnSmallStacks) {
    for (std::size_t stack : kStacks) {
        for (int depth : kDepths) {
            // A tree through sequences and collections.
            const std::string tree = "<tree xmlns=\"urn:qbtest:recursive\"><label>0</label>" +
                                     Repeat("<node><label>l</label>", depth - 1) +
                                     Repeat("</node>", depth - 1) + "</tree>";
            std::string outcome = OnThread(stack, [&] {
                CSmartPtr<Recursive::CNode> node = new Recursive::CNode();
                node->FromXml(tree.c_str());
                EXPECT_EQ(NodeLevels(node), depth);
            });
            ExpectLimit(outcome, stack, depth);
            outcome = OnThread(stack, [&] {
                CSmartPtr<Recursive::CNode> root = new Recursive::CNode();
                root->SetLabel("0");
                Recursive::CNode* node = root;
                for (int i = 1; i < depth; ++i) {
                    node = node->GetNode()->Add();
                    node->SetLabel("l");
                }
                EXPECT_EQ(root->ToXml(false, false, EOL_LF), tree);
            });
            ExpectLimit(outcome, stack, depth);

            // An expression through a choice in a named group.
            const std::string expr = std::string("<expr xmlns=\"") + kNs + "\">" +
                                     Repeat("<neg>", depth - 1) + "<num>1</num>" +
                                     Repeat("</neg>", depth - 1) + "</expr>";
            outcome = OnThread(stack, [&] {
                CSmartPtr<Recursive::CExpr> root = new Recursive::CExpr();
                root->FromXml(expr.c_str());
                EXPECT_EQ(ExprLevels(root), depth);
            });
            ExpectLimit(outcome, stack, depth);
            outcome = OnThread(stack, [&] {
                CSmartPtr<Recursive::CExpr> root = new Recursive::CExpr();
                Recursive::CExpr* last = root;
                for (int i = 1; i < depth; ++i) {
                    CSmartPtr<Recursive::CExpr> inner = new Recursive::CExpr("neg");
                    last->SetNeg(inner);
                    last = inner;
                }
                last->SetNum(CDecimal(1));
                root->ToFastInfosetStream(FI_DECL_NONE, CXmlSerializationContext(), CT_GZIP);
            });
            ExpectLimit(outcome, stack, depth);
        }
    }
}

// The refusal comes from the stack actually left: a 256 KiB stack goes
// deeper than a 128 KiB one, and a main thread's reaches the level limit.
TEST(Stack, TheLimitFollowsTheStack) {
    const auto deepest = [](std::size_t stack) {
        int reached = 0;
        const std::string outcome = OnThread(stack, [&] {
            CSmartPtr<Recursive::CNode> root = new Recursive::CNode();
            Recursive::CNode* node = root;
            for (int i = 1; i < 1000; ++i) node = node->GetNode()->Add();
            root->ToXml(false, false, EOL_LF);
        });
        const std::string prefix = "Nesting stopped at level ";
        if (outcome.compare(0, prefix.size(), prefix) == 0) {
            reached = std::stoi(outcome.substr(prefix.size()));
        }
        return reached;
    };
    const int small = deepest(128 * 1024);
    const int larger = deepest(256 * 1024);
    std::printf("levels written: %d on 128 KiB, %d on 256 KiB\n", small, larger);
    EXPECT_GT(small, 20);
    EXPECT_GT(larger, small + 20);
    EXPECT_EQ(deepest(16 * 1024 * 1024), 0);
}
