// Small enumerations shared by several subsystems: line ends, output
// encodings, compression, byte renderings, Fast Infoset declarations, schema
// dialects and object events. Their numeric values are part of the interface.
// Each has the fixed underlying type int, so any int converts to it with a
// defined value and the operations that take one can reject unknown values.
#ifndef QBXMLLIB5_CORE_QBENUMS_H
#define QBXMLLIB5_CORE_QBENUMS_H

namespace QbXmlLib5 {

// Line-end style of text output.
enum EOLType : int {
    EOL_CRLF = 0,  // carriage return + line feed
    EOL_LF = 1     // line feed
};

// Encoding named in the XML declaration and used for output bytes.
enum XmlEncoding : int {
    XE_NONE = 0,           // no encoding attribute; text output only
    XE_UTF8 = 1,           // encoding="UTF-8", UTF-8 bytes
    XE_UTF16 = 2,          // encoding="UTF-16", UTF-16LE bytes
    XE_UTF16_NO_DECL = 3   // no encoding attribute, UTF-16LE bytes
};

// Compression applied to serialized bytes.
enum CompressionType : int {
    CT_NONE = 0,  // as is
    CT_GZIP = 1,  // deflate in a gzip wrapper (RFC 1952)
    CT_ZLIB = 2   // deflate in a zlib wrapper (RFC 1950)
};

// Text renderings of binary data; 1 to 9 are the built-in encoding
// algorithms of Fast Infoset (ITU-T X.891).
enum ByteEncoding : int {
    BE_STRING = 0,
    BE_HEX = 1,
    BE_BASE64 = 2,
    BE_SHORT = 3,
    BE_INT = 4,
    BE_LONG = 5,
    BE_BOOLEAN = 6,
    BE_FLOAT = 7,
    BE_DOUBLE = 8,
    BE_UUID = 9
};

// Optional XML declaration written in front of a Fast Infoset document.
enum FInfoDecl : int {
    FI_DECL_NONE = 0,
    FI_DECL_ENCODING = 1,
    FI_DECL_ENCODING_STANDALONE_YES = 2,
    FI_DECL_ENCODING_STANDALONE_NO = 3,
    FI_DECL_1_0 = 4,
    FI_DECL_1_0_STANDALONE_YES = 5,
    FI_DECL_1_0_STANDALONE_NO = 6,
    FI_DECL_1_1 = 7,
    FI_DECL_1_1_STANDALONE_YES = 8,
    FI_DECL_1_1_STANDALONE_NO = 9
};

// Schema dialect. Only ST_NO_NAMESPACES changes behaviour: matching ignores
// namespaces and the text reader parses without namespace processing.
enum SchemaType : int {
    ST_DEFAULT = 0,
    ST_XSD = 1,
    ST_NO_NAMESPACES = 2
};

// Events passed to CXmlObjectBase::OnEvent.
enum MsgType : int {
    MsgCollectionChanged = 0  // a collection held by the receiver changed
};

}  // namespace QbXmlLib5

#endif  // QBXMLLIB5_CORE_QBENUMS_H
