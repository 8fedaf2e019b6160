#pragma once
// This program's tables: their files, the fields it binds by name, the
// positions it addresses by number, the record-source texts it opens them
// with and the least it needs of each. Everything else asks here.

namespace korim::application::schema {

// DATOPROV, the application record.
namespace datoprov {
inline constexpr char File[] = "datoprov.dbf";
inline constexpr char RecordSource[] = "datoprov";
// Fields up to the last position the program uses.
inline constexpr int MinFields = 40;

// Positions, counted from 0, of the values written and read by number.
inline constexpr int TipoTramite = 15; // procedure type: the key of "Tipo de Trámite"
inline constexpr int ClaveSolicitud = 20; // always "14"
inline constexpr int TipoPrograma = 21;   // 1, 2 or 4
inline constexpr int Actividad = 22;      // activity code (CLAVE of ACTIVIDA)
inline constexpr int AdmLocal = 28;       // local office key
inline constexpr int NumMaquila = 30;
inline constexpr int AnioMaquila = 31;
inline constexpr int BancoTecleado = 34;  // bank key, as the clerk types its name
inline constexpr int Banco = 35;          // bank key of the chosen entry
inline constexpr char ClaveSolicitudValue[] = "14";
// The RFC field's mask: the stored RFC is shown, and checked, placed in it.
inline constexpr char RfcMask[] = "&&&&999999aaa";

// Fields shown in the window by name.
inline constexpr char RFC[] = "RFC";
inline constexpr char APEPATRAZ[] = "APEPATRAZ";
inline constexpr char APEMAT[] = "APEMAT";
inline constexpr char NOMBRE[] = "NOMBRE";
inline constexpr char EMAIL[] = "EMAIL";
inline constexpr char PROG1P[] = "PROG1P";
inline constexpr char PROG2P[] = "PROG2P";
inline constexpr char ACREDITA[] = "ACREDITA";
inline constexpr char CALLEYNO[] = "CALLEYNO";
inline constexpr char COLONIA[] = "COLONIA";
inline constexpr char CP[] = "CP";
inline constexpr char ESTADO[] = "ESTADO";
inline constexpr char CIUDAD[] = "CIUDAD";
inline constexpr char DELMUN[] = "DELMUN";
inline constexpr char TELEFONO[] = "TELEFONO";
inline constexpr char FAX[] = "FAX";
inline constexpr char APEPREPLEG[] = "APEPREPLEG";
inline constexpr char APEMREPLEG[] = "APEMREPLEG";
inline constexpr char NOMBREREPL[] = "NOMBREREPL";
inline constexpr char CARGO[] = "CARGO";
inline constexpr char TEL_REPREG[] = "TEL_REPREG";
inline constexpr char FAXREP[] = "FAXREP";
inline constexpr char EMAILREPL[] = "EMAILREPL";
inline constexpr char NOEMPLEADO[] = "NOEMPLEADO";
inline constexpr char NOOBREROS[] = "NOOBREROS";
inline constexpr char VTPAIS[] = "VTPAIS";
inline constexpr char VTEXTERIOR[] = "VTEXTERIOR";
inline constexpr char TIPOPROG[] = "TIPOPROG";
inline constexpr char SUCURSAL[] = "SUCURSAL";
inline constexpr char NUMCUENTA[] = "NUMCUENTA";
inline constexpr char LOCALIDAD[] = "LOCALIDAD";
inline constexpr char DOMBANCO[] = "DOMBANCO";

inline constexpr const char *BoundByName[] = {
    RFC,        APEPATRAZ,  APEMAT,    NOMBRE,     EMAIL,      PROG1P,    PROG2P, ACREDITA,
    CALLEYNO,   COLONIA,    CP,        ESTADO,     CIUDAD,     DELMUN,    TELEFONO, FAX,
    APEPREPLEG, APEMREPLEG, NOMBREREPL, CARGO,     TEL_REPREG, FAXREP,    EMAILREPL, NOEMPLEADO,
    NOOBREROS,  VTPAIS,     VTEXTERIOR, TIPOPROG,  SUCURSAL,   NUMCUENTA, LOCALIDAD, DOMBANCO,
};
} // namespace datoprov

// VENTAS: three rows of each kind, figures by position.
namespace ventas {
inline constexpr char File[] = "VENTAS.dbf";
inline constexpr int MinFields = 9;
inline constexpr int Anio = 0;
inline constexpr int FirstFigure = 1; // VTOT; the five figures are 1 to 5
inline constexpr int LastFigure = 5;
inline constexpr int TipoCambio = 6;
inline constexpr int PrintedColumns = 7; // ANO to TC
inline constexpr const char *FixedNames[] = {"ANO", "VTOT", "VTOTD", "EXPORTA", "IMPORTA", "SALDO", "TC"};
inline constexpr const char *MovableNames[] = {"ETIQUETA", "TIPO"}; // at 7 or 8
inline constexpr char KindField[] = "TIPO";
inline constexpr int Totales = 1;   // total sales and foreign trade
inline constexpr int Indirectas = 2; // sales to final exporters
inline constexpr int RowsPerKind = 3;
// The texts each step opens the rows with.
inline constexpr char StartTotales[] = "select * from ventas where tipo = 1 ";
inline constexpr char StartIndirectas[] = "select * from ventas where tipo = 2 ";
inline constexpr char PrintTotales[] = "select * from ventas where tipo = 1";
inline constexpr char PrintIndirectas[] = "select * from ventas where tipo = 2";
inline constexpr char EraseTotales[] = "select * from ventas where tipo =1";
inline constexpr char EraseIndirectas[] = "select * from ventas where tipo =2";
} // namespace ventas

// PROVMERC: the export products.
namespace provmerc {
inline constexpr char File[] = "PROVMERC.dbf";
inline constexpr char RecordSource[] = "PROVMERC";
inline constexpr int MinFields = 3;
inline constexpr int Descripcion = 2;
inline constexpr char DescripcionName[] = "DESCRIPCIO";
} // namespace provmerc

// The catalogues: key and text by position.
namespace actividad {
inline constexpr char File[] = "activida.dbf";
inline constexpr char RecordSource[] = "select * from activida";
inline constexpr int MinFields = 4;
inline constexpr int Numero = 0; // the list entry's item data
inline constexpr int Descripcion = 2;
inline constexpr int Clave = 3;  // the activity code stored in the application
} // namespace actividad

namespace admlocal {
inline constexpr char File[] = "admlocal.dbf";
inline constexpr char RecordSource[] = "admlocal";
inline constexpr int MinFields = 2;
inline constexpr int Clave = 0;
inline constexpr int Nombre = 1;
} // namespace admlocal

namespace catbanco {
inline constexpr char File[] = "catbanco.dbf";
inline constexpr char RecordSource[] = "catbanco";
inline constexpr int MinFields = 3;
inline constexpr int Clave = 0;
inline constexpr int Nombre = 2;
} // namespace catbanco

// Programme type codes (TIPOPROG).
namespace tipoprograma {
inline constexpr int Directo = 1;
inline constexpr int Indirecto = 2;
inline constexpr int Ambos = 4;
} // namespace tipoprograma

} // namespace korim::application::schema
