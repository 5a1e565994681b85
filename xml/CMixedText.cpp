#include "xml/CMixedText.h"

#include "core/CQbException.h"
#include "xml/CXmlElement.h"

namespace QbXmlLib5 {

void CMixedText::SetText(const std::string& text) {
    m_text = text;
    m_breaks.clear();
}

void CMixedText::Clear() {
    m_text.clear();
    m_breaks.clear();
}

std::size_t CMixedText::SegmentStart(std::size_t index) const {
    return index == 0 ? 0 : m_breaks[index - 1];
}

std::size_t CMixedText::SegmentEnd(std::size_t index) const {
    return index < m_breaks.size() ? m_breaks[index] : m_text.size();
}

std::string CMixedText::GetSegment(int index) const { return std::string(GetSegmentView(index)); }

std::string_view CMixedText::GetSegmentView(int index) const {
    if (index < 0 || index >= GetSegmentCount()) return std::string_view();
    const auto i = static_cast<std::size_t>(index);
    return std::string_view(m_text).substr(SegmentStart(i), SegmentEnd(i) - SegmentStart(i));
}

void CMixedText::SetSegment(int index, const std::string& text) {
    if (index < 0) {
        throw CQbInvalidParamException(FormatString("Invalid text segment index [%d]", index));
    }
    const auto i = static_cast<std::size_t>(index);
    while (m_breaks.size() < i) m_breaks.push_back(m_text.size());
    const std::size_t start = SegmentStart(i);
    const std::size_t oldLength = SegmentEnd(i) - start;
    m_text.replace(start, oldLength, text);
    for (std::size_t b = i; b < m_breaks.size(); ++b) {
        m_breaks[b] = m_breaks[b] - oldLength + text.size();
    }
}

void CMixedText::Read(const CXmlElement* element) {
    m_text = element->GetText();
    m_breaks.clear();
    // Without text there is nothing to place.
    if (m_text.empty()) return;
    for (const CXmlElement* child = element->GetFirstElement(); child;
         child = child->GetNextSiblingElement()) {
        m_breaks.push_back(child->GetTextOffset());
    }
}

}  // namespace QbXmlLib5
