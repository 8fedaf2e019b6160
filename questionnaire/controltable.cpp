#include "questionnaire/controltable.h"

#include "application/requireditems.h"
#include "application/schema.h"

#include <QByteArrayView>

#include <string_view>

namespace korim::questionnaire {

namespace datoprov = korim::application::schema::datoprov;

namespace {

constexpr int kH = 22; // a field's height
constexpr KeyMode Upper = KeyMode::Upper;
constexpr KeyMode Lower = KeyMode::Lower;
constexpr KeyMode Digits = KeyMode::Digits;

// Rows of the frames and pages, in pixels from their top.
constexpr int top1 = 41, top2 = 65;
constexpr int domicilio(int i) { return 20 + i * 27; }
constexpr int personal(int i) { return 45 + i * 27; }
constexpr int banco(int i) { return 14 + i * 27; }

} // namespace

const QList<PlainField> &plainFields()
{
    // name, container, tab, label, label rect, field rect, length, keys,
    // bound field, tag, tooltip (a required field's comes from requireditems),
    // keyboard place, design
    static const QList<PlainField> fields = {
        // Registration and acknowledgement, never shown.
        {"txtProg1", "Form1", -1, "Año QUIDAS", {360, top1, 0, 0}, {470, top1, 50, kH}, 4, Digits,
         datoprov::PROG1P, "", "Año del Registro", 8, kHidden},
        {"txtProg2", "Form1", -1, "Número QUIDAS", {540, top1, 0, 0}, {650, top1, 50, kH}, 4, Digits,
         datoprov::PROG2P, "", "", 9, kHidden},
        {"txtacredita", "Form1", -1, "No. de acreditamiento", {360, top2, 0, 0}, {510, top2, 90, kH}, 10, Upper,
         datoprov::ACREDITA, "", "", 37, kHidden},

        {"txtApePat1", "fraDatosGenerales", -1, "Razón  Social o Apellido Paterno:", {10, 18, 0, 0},
         {215, 18, 480, kH}, 100, Upper, datoprov::APEPATRAZ, "1", nullptr, 2},
        {"txtApemat1", "fraDatosGenerales", -1, "Apellido Materno:", {10, 43, 0, 0}, {215, 43, 210, kH}, 100, Upper,
         datoprov::APEMAT, "", "", 67},
        {"txtnombre1", "fraDatosGenerales", -1, "Nombre(s):", {440, 43, 0, 0}, {515, 43, 180, kH}, 25, Upper,
         datoprov::NOMBRE, "", "", 3},
        {"txtEmail1", "fraDatosGenerales", -1, "Correo Electrónico:", {10, 68, 0, 0}, {215, 68, 300, kH}, 50, Lower,
         datoprov::EMAIL, "", "", 4},

        // Tab 0: two columns; locked until Habilita.
        {"txtCalle", "fraDomicilioFiscal", 0, "Calle y No.", {10, domicilio(0), 0, 0}, {92, domicilio(0), 220, kH},
         254, Upper, datoprov::CALLEYNO, "1", nullptr, 10, kLocked},
        {"txtCP", "fraDomicilioFiscal", 0, "CP", {10, domicilio(1), 0, 0}, {92, domicilio(1), 70, kH}, 5, Digits,
         datoprov::CP, "1", nullptr, 12, kLocked},
        {"txtCiudad", "fraDomicilioFiscal", 0, "Ciudad", {10, domicilio(2), 0, 0}, {92, domicilio(2), 220, kH}, 60,
         Upper, datoprov::CIUDAD, "", "", 14, kLocked},
        {"txtDelMun", "fraDomicilioFiscal", 0, "Del/Mun.", {10, domicilio(3), 0, 0}, {92, domicilio(3), 220, kH},
         40, Upper, datoprov::DELMUN, "1", nullptr, 16, kLocked},
        {"txtTelefono", "fraDomicilioFiscal", 0, "Teléfono", {10, domicilio(4), 0, 0},
         {92, domicilio(4), 150, kH}, 15, Digits, datoprov::TELEFONO, "1", nullptr, 18, kLocked},
        {"txtColonia", "fraDomicilioFiscal", 0, "Colonia", {320, domicilio(0), 0, 0}, {490, domicilio(0), 200, kH},
         30, Upper, datoprov::COLONIA, "1", nullptr, 11, kLocked},
        {"txtEstado", "fraDomicilioFiscal", 0, "Estado", {320, domicilio(1), 0, 0}, {490, domicilio(1), 200, kH},
         30, Upper, datoprov::ESTADO, "1", nullptr, 13, kLocked},
        {"txtfax", "fraDomicilioFiscal", 0, "Fax", {320, domicilio(3), 0, 0}, {490, domicilio(3), 150, kH}, 15,
         Digits, datoprov::FAX, "R", "", 17, kLocked},
        // Shows the district too; follows txtColonia and is never saved from.
        {"txtAdmLocal", "fraDomicilioFiscal", 0, nullptr, {}, {490, domicilio(4), 200, kH}, 30, Upper, nullptr, "R",
         "", 19, kHidden | kLocked},

        // Tab 1: the three names side by side under their labels.
        {"txtApePatR2", "fraRepresentante", 1, "Apellido Paterno", {10, 20, 0, 16}, {10, 38, 220, kH}, 25, Upper,
         datoprov::APEPREPLEG, "", "", 20, kLocked},
        {"txtApeMatR2", "fraRepresentante", 1, "Apellido Materno", {240, 20, 0, 16}, {240, 38, 220, kH}, 25, Upper,
         datoprov::APEMREPLEG, "R", "", 21, kLocked},
        {"txtNombreR2", "fraRepresentante", 1, "Nombre(s)", {470, 20, 0, 16}, {470, 38, 220, kH}, 25, Upper,
         datoprov::NOMBREREPL, "1", nullptr, 22, kLocked},
        {"txtcargo", "fraRepresentante", 1, "Cargo o Puesto", {10, 72, 0, 0}, {130, 72, 330, kH}, 60, Upper,
         datoprov::CARGO, "1", nullptr, 23},
        {"txtTelefonoR2", "fraRepresentante", 1, "Teléfono", {10, 99, 0, 0}, {130, 99, 200, kH}, 25, Digits,
         datoprov::TEL_REPREG, "1", nullptr, 24, kLocked},
        {"txtFaxR2", "fraRepresentante", 1, "Fax", {350, 99, 0, 0}, {390, 99, 200, kH}, 25, Digits, datoprov::FAXREP, "R",
         "", 25, kLocked},
        {"EMAILREP", "fraRepresentante", 1, "Correo Electrónico:", {10, 126, 0, 0}, {130, 126, 330, kH}, 50, Lower,
         datoprov::EMAILREPL, "", "", 26},

        // Tab 2: the totals are the window's own sums.
        {"NoEmpleados", "fraPersonal", 2, "No. de Administrativos:", {10, personal(0), 0, 0},
         {180, personal(0), 120, kH}, 15, Digits, datoprov::NOEMPLEADO, "1", nullptr, 27},
        {"NoObreros", "fraPersonal", 2, "No. de Obreros:", {10, personal(1), 0, 0}, {180, personal(1), 120, kH}, 15,
         Digits, datoprov::NOOBREROS, "1", nullptr, 28},
        {"TotalPersonal", "fraPersonal", 2, "Total:", {10, personal(2) + 6, 0, 0}, {180, personal(2) + 6, 120, kH}, 0,
         Upper, nullptr, "", "", 44, kLocked},
        {"VentasPais", "fraVentas", 2, "En el país:", {10, personal(0), 0, 0}, {180, personal(0), 140, kH}, 20,
         Digits, datoprov::VTPAIS, "1", nullptr, 58},
        {"VentasExterior", "fraVentas", 2, "Al exterior:", {10, personal(1), 0, 0}, {180, personal(1), 140, kH}, 20,
         Digits, datoprov::VTEXTERIOR, "1", nullptr, 59},
        {"TotalVentas", "fraVentas", 2, "Total:", {10, personal(2) + 6, 0, 0}, {180, personal(2) + 6, 140, kH}, 0,
         Upper, nullptr, "", "", 45, kLocked},

        // Tab 3: carries the programme code between the options and the record.
        {"TipoProg", "fraTipoPrograma", 3, nullptr, {}, {650, 20, 30, kH}, 0, Upper, datoprov::TIPOPROG, "", "", 49,
         kHidden},

        // Tab 6, under the bank list.
        {"txtsucursal", "SSTab1_page6", 6, "Sucursal :", {14, banco(1), 0, 0}, {240, banco(1), 320, kH}, 60, Upper,
         datoprov::SUCURSAL, "1", nullptr, 54},
        {"txtNumCuenta", "SSTab1_page6", 6, "Número de cuenta :", {14, banco(2), 0, 0}, {240, banco(2), 200, kH}, 20,
         Upper, datoprov::NUMCUENTA, "1", nullptr, 55},
        {"txtlocalidad", "SSTab1_page6", 6, "Localidad :", {14, banco(3), 0, 0}, {240, banco(3), 320, kH}, 60, Upper,
         datoprov::LOCALIDAD, "1", nullptr, 56},
        {"txtDomSucursal", "SSTab1_page6", 6, "Domicilio de la sucursal bancaria :", {14, banco(4), 0, 0},
         {240, banco(4), 450, kH}, 254, Upper, datoprov::DOMBANCO, "1", nullptr, 57},
    };
    return fields;
}

const PlainField *plainField(QStringView name)
{
    for (const PlainField &field : plainFields()) {
        if (name == QLatin1String(field.name))
            return &field;
    }
    return nullptr;
}

QString fieldToolTip(const PlainField &field)
{
    if (QByteArrayView(field.tag) == "1") {
        const application::RequiredItem *item = field.bound ? application::requiredItem(field.bound) : nullptr;
        return item ? QString::fromUtf8(item->name) : QString();
    }
    return QString::fromUtf8(field.toolTip);
}

QList<const PlainField *> requiredOrder()
{
    // The check's list gives the order; the tag keeps deciding which fields it examines.
    QList<const PlainField *> order;
    for (const application::RequiredItem &item : application::requiredItems()) {
        for (const PlainField &field : plainFields()) {
            if (field.bound && std::string_view(field.bound) == item.field) {
                order.append(&field);
                break;
            }
        }
    }
    return order;
}

} // namespace korim::questionnaire
