// CMixedText: the text of an element with mixed content (text of its own
// between child elements), kept where it stands.
//
// The text is a list of segments: segment i is the text before child element
// i (children counted in document order, as they are written), and the last
// segment is the text after the last child. `<p>See <b>one</b> and
// <i>two</i>.</p>` holds "See ", " and ", ".". An element with text but no
// breaks between children holds one segment, written after its children.
// When an object writes fewer children than there are segments before the
// last, the segments left over are written at the end, in order; children
// beyond them have no text before them.
//
// Stored whole (GetText is all the text, joined) with the offsets where the
// segments meet, so an element of plain text costs one string.
#ifndef QBXMLLIB5_XML_CMIXEDTEXT_H
#define QBXMLLIB5_XML_CMIXEDTEXT_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace QbXmlLib5 {

class CXmlElement;

class CMixedText {
public:
    // All the text, segments joined.
    const std::string& GetText() const { return m_text; }
    // The whole text as one segment (written after the children).
    void SetText(const std::string& text);
    void Clear();
    bool IsEmpty() const { return m_text.empty(); }

    // Number of segments: at least 1.
    int GetSegmentCount() const { return static_cast<int>(m_breaks.size()) + 1; }
    // Segment `index`; "" when index is not below GetSegmentCount().
    std::string GetSegment(int index) const;
    // The same without a copy; valid while the text is not changed.
    std::string_view GetSegmentView(int index) const;
    // Replaces segment `index`, adding empty segments before it as needed.
    // A negative index throws CQbInvalidParamException.
    void SetSegment(int index, const std::string& text);

    // The element's text, cut where its child elements stood.
    void Read(const CXmlElement* element);

private:
    std::size_t SegmentStart(std::size_t index) const;
    std::size_t SegmentEnd(std::size_t index) const;

    std::string m_text;
    // Where segment i + 1 starts in m_text; never decreasing.
    std::vector<std::size_t> m_breaks;
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_XML_CMIXEDTEXT_H
