#include "packs/ImportExport.h"

#include "database/DataSetLoader.h"
#include "database/Registry.h"
#include "framework/Exception.h"
#include "packs/PackExport.h"

#include <QFileInfo>

ImportOutcome ImportAndSave(CDBRegistry& registry, const std::string& path)
{
    PackFile file;
    try {
        file = ReadPackFile(path);
    } catch (const Exception& error) {
        return {false, error.what()};
    }
    return MergeAndSave(registry, path, file);
}

ImportOutcome MergeAndSave(CDBRegistry& registry, const std::string& path, const PackFile& file)
{
    const ImportReport report = MergePackFile(registry, file);
    try {
        registry.GetLoader()->Save();
    } catch (const Exception& error) {
        return DescribeImportSaved(path, report, error.what());
    }
    return DescribeImportSaved(path, report, {});
}

ImportOutcome DescribeImportSaved(const std::string& path, const ImportReport& report,
                                  const std::string& problem)
{
    const std::string done = DescribeImport(path, report);
    if (!problem.empty()) {
        return {false, done + "\n" + problem};
    }
    return {true, done};
}

ImportOutcome ExportAsSaved(const std::string& file, const std::optional<std::string>& program)
{
    try {
        CDBRegistry registry;
        registry.GetLoader()->LoadAsSaved();
        const std::string written =
            QFileInfo(QString::fromStdString(file)).absoluteFilePath().toStdString();
        return {true, DescribeExport(written, ExportFile(registry, file, program))};
    } catch (const Exception& error) {
        return {false, error.what()};
    }
}
