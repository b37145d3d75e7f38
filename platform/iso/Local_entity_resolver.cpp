#include "platform/iso/Local_entity_resolver.h"

#include "platform/iso/Xml_text.h"

#include <xercesc/framework/LocalFileInputSource.hpp>
#include <xercesc/util/XMLResourceIdentifier.hpp>
#include <xercesc/util/XMLString.hpp>

#include <sys/stat.h>

namespace Iso {

Local_entity_resolver::Local_entity_resolver(const std::string& directory,
                                             const std::string& dtd_name)
    : directory_(directory), dtd_name_(dtd_name)
{
    if (!directory_.empty() && directory_.back() != '/')
        directory_ += '/';
}

std::string Local_entity_resolver::local_path(const std::string& system_id) const
{
    if (system_id.empty())
        return std::string();
    auto is_file = [](const std::string& p) {
        struct stat st;
        return stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    };
    if (!dtd_name_.empty() && system_id == dtd_name_)
        return is_file(directory_ + dtd_name_) ? directory_ + dtd_name_ : std::string();
    if (system_id.find(':') != std::string::npos)
        return std::string();  // a URL (http:, ftp:, file: ...): never fetched
    // A relative name is looked for beside the description first, then as
    // the program named it (a grammar it loads by its own path).
    if (system_id[0] != '/' && is_file(directory_ + system_id))
        return directory_ + system_id;
    return is_file(system_id) ? system_id : std::string();
}

xercesc::InputSource* Local_entity_resolver::resolveEntity(xercesc::XMLResourceIdentifier* id)
{
    using namespace xercesc;
    if (!id || id->getResourceIdentifierType() != XMLResourceIdentifier::ExternalEntity)
        return nullptr;
    std::string path = local_path(xml_latin1(id->getSystemId()));
    if (path.empty())
        return nullptr;
    XMLCh* x = XMLString::transcode(path.c_str());
    InputSource* source = new LocalFileInputSource(x);
    XMLString::release(&x);
    return source;
}

} // namespace Iso
