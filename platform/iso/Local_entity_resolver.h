// Resolves the external entities of an XML description (its DTD above all)
// to local files only: a reader never fetches anything from the network,
// whatever the DOCTYPE names. Relative names resolve against the directory
// given (the description's own); `dtd_name`, when given, is always found in
// that directory. Anything else that is not a regular local file is refused,
// and with the parser's default resolution disabled the parse then fails.
#pragma once

#include <xercesc/util/XMLEntityResolver.hpp>

#include <string>

namespace Iso {

class Local_entity_resolver : public xercesc::XMLEntityResolver {
public:
    explicit Local_entity_resolver(const std::string& directory,
                                   const std::string& dtd_name = std::string());

    // The local file an entity's system id names, or "" when it names none.
    std::string local_path(const std::string& system_id) const;

    xercesc::InputSource* resolveEntity(xercesc::XMLResourceIdentifier* id) override;

private:
    std::string directory_;  // ends with '/' or is empty
    std::string dtd_name_;
};

} // namespace Iso
