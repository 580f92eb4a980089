#pragma once

namespace orvela::signing {

/// What changed in a revision after a signature, by the kind of object touched.
enum class Change { pageContent, catalogue, annotation, form, other };

} // namespace orvela::signing
