#include "application/requireditems.h"

#include "application/schema.h"

#include <array>

namespace korim::application {

namespace d = schema::datoprov;

namespace {

// Two of the window's names are empty: its message lists nothing for them.
constexpr std::array<RequiredItem, 18> kItems{{
    {d::APEPATRAZ, "", "Razón Social o Apellido Paterno"},
    {d::DOMBANCO, "Domicilio", ""},
    {d::LOCALIDAD, "Localidad", ""},
    {d::NUMCUENTA, "Número Cuenta", ""},
    {d::SUCURSAL, "cursals", ""},
    {d::NOEMPLEADO, "No. Administrativos", ""},
    {d::NOOBREROS, "No. Obreros", ""},
    {d::NOMBREREPL, "Nombre rep. legal", ""},
    {d::TEL_REPREG, "Telefono rep. Legal", ""},
    {d::CARGO, "Cargo", ""},
    {d::DELMUN, "Delegación o Municipio", ""},
    {d::ESTADO, "Estado", ""},
    {d::TELEFONO, "Teléfono", ""},
    {d::CP, "codigo postal", ""},
    {d::COLONIA, "", "Colonia"},
    {d::CALLEYNO, "Calle", ""},
    {d::VTPAIS, "Ventas Pais", ""},
    {d::VTEXTERIOR, "Ventas Exterior", ""},
}};

} // namespace

std::span<const RequiredItem> requiredItems()
{
    return kItems;
}

const RequiredItem *requiredItem(std::string_view field)
{
    for (const RequiredItem &item : kItems) {
        if (field == item.field)
            return &item;
    }
    return nullptr;
}

} // namespace korim::application
