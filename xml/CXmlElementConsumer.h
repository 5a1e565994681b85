// CXmlElementConsumer: takes elements of a document while it is being
// loaded, as the reader completes them (CXmlDocument::SetElementConsumer).
//
// A consumer that turns an element into something else as soon as it is
// complete can let the document free the element's content at once, so that
// a large document never has its whole tree in memory.
#ifndef QBXMLLIB5_XML_CXMLELEMENTCONSUMER_H
#define QBXMLLIB5_XML_CXMLELEMENTCONSUMER_H

namespace QbXmlLib5 {

class CXmlElement;

class CXmlElementConsumer {
public:
    virtual ~CXmlElementConsumer() = default;

    // What the consumer took of a complete element.
    enum class Taken {
        kNothing,  // the element stays as it is
        kContent,  // its attributes, text and descendants are freed; the
                   // element itself stays, empty, where it stands
        kElement,  // the element is freed too, and leaves its parent's children
        // As kElement; and the text its parent received since the previous
        // remaining sibling (or since the parent opened) goes too when it
        // is nothing but white space: the layout between repeated elements
        // that are taken one by one does not pile up in their parent.
        kElementAndSpace,
        // Nothing yet: the element stays whole until the consumer answers
        // for a later sibling of the same name. kElement or kElementAndSpace
        // then frees that sibling and every sibling held since the last
        // other answer, as one; kNothing or kContent keeps the held ones for
        // good. A run of held siblings also ends when an element of another
        // name opens in their parent or the parent closes: HeldRunEnds
        // answers for them then. A consumer reads a few siblings at a time so.
        kHold,
    };

    // An element was opened; its attributes, text and children follow.
    virtual void ElementOpened(const CXmlElement* element) = 0;
    // The element is complete: what the document may free of it. Must not
    // throw: the load would fail with the consumer's message. The document
    // element is never freed whole (kElement and kElementAndSpace count as
    // kContent, kHold as kNothing).
    virtual Taken ElementClosed(const CXmlElement* element) = 0;
    // The load discarded the elements offered so far and starts again from
    // the beginning of the document: forget them. Must not throw.
    virtual void Restart() = 0;
    // The siblings held in `parent` are followed by an element of another
    // name (called before it is created) or `parent` closes (called before
    // ElementClosed(parent)): kElement frees them now, kElementAndSpace with
    // the layout after them; anything else keeps them for good. Also called
    // when the load fails, the held elements being complete, with the answer
    // ignored: a consumer may throw then, to fail with its own message.
    virtual Taken HeldRunEnds(const CXmlElement* parent) {
        (void)parent;
        return Taken::kNothing;
    }

protected:
    CXmlElementConsumer() = default;
    CXmlElementConsumer(const CXmlElementConsumer&) = default;
    CXmlElementConsumer& operator=(const CXmlElementConsumer&) = default;
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_XML_CXMLELEMENTCONSUMER_H
