#pragma once

// Fixed facts about the product.
namespace Product {
inline constexpr const char* webSite = "https://www.tamirolavrenta.com.br/livro-caixa";
// Where a user who cannot log in writes: the support desk, and the general
// contact address for someone the program does not know.
inline constexpr const char* supportEmail = "suporte@tamirolavrenta.com.br";
inline constexpr const char* contactEmail = "contato@tamirolavrenta.com.br";
} // namespace Product
