# fuzz_saml_model: arbitrary documents (text, compressed, Fast Infoset) read
# into the classes qbxsd generates from SAML 2.0 protocol and metadata with the
# assertion, XML Signature 1.1 and core, XML Encryption and xml: schemas they
# import (fuzz/schemas/saml), seeded from fuzz/corpus/saml_model/.
qb_add_fuzzer(saml_model ${CMAKE_CURRENT_LIST_DIR}/../fuzz_saml_model.cpp)
qbxsd_generate(TARGET fuzz_saml_model NAMESPACE Saml
  SCHEMAS ${PROJECT_SOURCE_DIR}/fuzz/schemas/saml/fuzz-entry.xsd)
