// Replaced as the folder fills.
namespace vt {}
