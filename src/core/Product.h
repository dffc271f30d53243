#pragma once

// Fixed facts about the product.
namespace Product {
inline constexpr const char* webSite = "https://www.tamirolavrenta.com.br/livro-caixa";
} // namespace Product
