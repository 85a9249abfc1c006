#include "Nodeloom/document/EditLinkLabelEventArgs.h"

#include "Nodeloom/links/DiagramLink.h"  // Hook: document holds its links
#include "Nodeloom/links/LinkLabel.h"    // Hook: document holds its links

namespace nodeloom {

std::shared_ptr<DiagramLink> EditLinkLabelEventArgs::link() const {
    return label_ ? label_->link() : nullptr;
}

}  // namespace nodeloom
