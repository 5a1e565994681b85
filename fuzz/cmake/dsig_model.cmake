# fuzz_dsig_model: arbitrary documents (text, compressed, Fast Infoset) read
# into the classes qbxsd generates from XML Signature 1.1 and core
# (fuzz/schemas/dsig), seeded from fuzz/corpus/dsig_model/.
qb_add_fuzzer(dsig_model ${CMAKE_CURRENT_LIST_DIR}/../fuzz_dsig_model.cpp)
qbxsd_generate(TARGET fuzz_dsig_model NAMESPACE Dsig
  SCHEMAS ${PROJECT_SOURCE_DIR}/fuzz/schemas/dsig/xmldsig11-schema.xsd)
