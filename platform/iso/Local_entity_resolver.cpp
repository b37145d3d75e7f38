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
    std::string path;
    if (!dtd_name_.empty() && system_id == dtd_name_)
        path = directory_ + dtd_name_;
    else if (system_id.find(':') != std::string::npos)
        return std::string();  // a URL (http:, ftp:, file: ...): never fetched
    else if (system_id[0] == '/')
        path = system_id;
    else
        path = directory_ + system_id;
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::string();
    return path;
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
