// libFuzzer target: hostile schemas through the schema compiler. The input is
// written as a schema file and compiled (loaded, modelled, rendered, nothing
// written). A CSchemaError or CQbException is an expected answer to a bad
// schema; a crash, a hang, a sanitizer report or any other exception is a bug.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "CCodeWriter.h"
#include "CComponentBuilder.h"
#include "CModelBuilder.h"
#include "CSchemaSet.h"
#include "core/CQbException.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = "/tmp/fuzz_qbxsd_" + std::to_string(getpid()) + ".xsd";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    try {
        Qbxsd::CSchemaSet schemas;
        schemas.Load(path);
        const auto components = Qbxsd::CComponentBuilder(schemas).Build();
        Qbxsd::CModelBuilder model(*components);
        model.BuildAll();
        Qbxsd::WriterOptions options;
        options.schemaFiles.push_back(path);
        options.cppNamespace = "Fuzz";
        const Qbxsd::CCodeWriter writer(model, schemas, options);
        writer.Render();
    } catch (const Qbxsd::CSchemaError&) {
    } catch (const QbXmlLib5::CQbException&) {
    }
    return 0;
}
