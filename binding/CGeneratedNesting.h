// CGeneratedNesting: counts, per thread, how deeply generated objects are
// being written or read, and refuses to go deeper than
// CXmlGeneratedClass::kMaxNestingDepth or than the thread's stack allows
// (CStackGuard), so that a deep document or object tree ends in an exception
// instead of a stack overflow.
#ifndef QBXMLLIB5_BINDING_CGENERATEDNESTING_H
#define QBXMLLIB5_BINDING_CGENERATEDNESTING_H

namespace QbXmlLib5 {

class CGeneratedNesting {
public:
    // Throws CQbException when the limit is reached.
    CGeneratedNesting();
    ~CGeneratedNesting();
    CGeneratedNesting(const CGeneratedNesting&) = delete;
    CGeneratedNesting& operator=(const CGeneratedNesting&) = delete;

    // Counts `levels` more while it lives: an object read ahead of its turn
    // starts as deep as it will stand in the document.
    class CLevels {
    public:
        explicit CLevels(int levels);
        ~CLevels();
        CLevels(const CLevels&) = delete;
        CLevels& operator=(const CLevels&) = delete;

    private:
        int m_levels;
    };
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_BINDING_CGENERATEDNESTING_H
