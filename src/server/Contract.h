#pragma once

// The central server's service contract, IServidorOffLine, as the client
// knows it: every type that crosses the wire and the ten operations.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace server {

// Wire names.
inline constexpr std::string_view kInterfaceNamespace = "urn:ServidorOffLineIntf-IServidorOffLine";
inline constexpr std::string_view kTypesNamespace = "urn:ServidorOffLineIntf";
inline constexpr std::string_view kDbNamespace = "urn:DB";
inline constexpr std::string_view kInterfaceId = "{89E6F7D7-9203-431E-AE69-A63798F66B59}";

// Default SOAP action of an operation: interface namespace + "#" + name.
std::string defaultSoapAction(std::string_view operation);

enum class TAcao { TaIncluir, TaAlterar, TaExcluir };

enum class TFieldType {
    ftUnknown,
    ftString,
    ftSmallint,
    ftInteger,
    ftWord,
    ftBoolean,
    ftFloat,
    ftCurrency,
    ftBCD,
    ftDate,
    ftTime,
    ftDateTime,
    ftBytes,
    ftVarBytes,
    ftAutoInc,
    ftBlob,
    ftMemo,
    ftGraphic,
    ftFmtMemo,
    ftParadoxOle,
    ftDBaseOle,
    ftTypedBinary,
    ftCursor,
    ftFixedChar,
    ftWideString,
    ftLargeint,
    ftADT,
    ftArray,
    ftReference,
    ftDataSet,
    ftOraBlob,
    ftOraClob,
    ftVariant,
    ftInterface,
    ftIDispatch,
    ftGuid,
    ftTimeStamp,
    ftFMTBcd
};

using TColecaoCampoTabela = std::vector<std::string>;
using TColecaoTipoCampoTabela = std::vector<TFieldType>;
using TColecaoValorCampoTabela = std::vector<std::string>;
using TChavePrimaria = std::vector<std::string>;
using TChvPrimaria = std::vector<std::string>; // used locally for key column names
using TListaTabelas = std::vector<std::string>;
// Column entries of a table: seven texts each (name, type, size, not null,
// primary key, foreign key, position in the key).
using TColMetaDadosCampos = std::vector<std::vector<std::string>>;

// Structures travel as shared values: a received structure referenced twice
// is one object, and nobody owns it by hand. A null pointer is an absent
// structure (xsi:nil).
struct TTabela {
    std::int32_t ID = 0;
    std::string NomeTabela;
    TAcao TipoAcao = TAcao::TaIncluir;
    TColecaoValorCampoTabela ValorCampos;
    TChavePrimaria ChavePrimaria;
};

struct TEstruturaTabela {
    std::string NomeTabela;
    TColecaoCampoTabela CamposTabela;
    TColecaoTipoCampoTabela TiposCampoTabela;
};

using TColecaoTabela = std::vector<std::shared_ptr<TTabela>>;
using TColecaoEstruturaTabela = std::vector<std::shared_ptr<TEstruturaTabela>>;

struct TRetornoCliente {
    bool Processado = false;
    std::int32_t IDSnc = 0;
    TColecaoTabela ColecaoTabela;
    TColecaoEstruturaTabela ColecaoEstrutura;
};

struct TMetaDadosTabela {
    std::string NomeTabela;
    TColMetaDadosCampos ColecaoMetadadosCampos;
};

using TColMetaDadosTabelas = std::vector<std::shared_ptr<TMetaDadosTabela>>;

struct TRegistroFila {
    std::int32_t ID = 0;
    std::int32_t ID_Origem = 0;
    std::string NomeTabela;
    std::string Maquina;
    std::string DataSinc;
};

using TColRegistroFila = std::vector<std::shared_ptr<TRegistroFila>>;

// ---- Run-time description of the contract, for the SOAP encoder/decoder.

enum class Kind { String, Integer, Boolean, Enum, Array, Struct };

struct TypeInfo;

struct FieldInfo {
    std::string name;
    const TypeInfo* type;
};

struct TypeInfo {
    Kind kind;
    std::string name;                   // wire name (enumerations and structures)
    std::string ns;                     // wire namespace (enumerations and structures)
    std::vector<std::string> enumNames; // Enum
    const TypeInfo* element = nullptr;  // Array
    std::vector<FieldInfo> fields;      // Struct, in declaration order
};

namespace types {
const TypeInfo& String();
const TypeInfo& Integer();
const TypeInfo& Boolean();
const TypeInfo& TAcao();
const TypeInfo& TFieldType();
const TypeInfo& StringArray(); // TColecaoCampoTabela, TListaTabelas, TChavePrimaria, ...
const TypeInfo& TColecaoTipoCampoTabela();
const TypeInfo& TTabela();
const TypeInfo& TEstruturaTabela();
const TypeInfo& TRetornoCliente();
const TypeInfo& TMetaDadosTabela();
const TypeInfo& TRegistroFila();
const TypeInfo& TColecaoTabela();
const TypeInfo& TColecaoEstruturaTabela();
const TypeInfo& TColMetaDadosCampos();
const TypeInfo& TColMetaDadosTabelas();
const TypeInfo& TColRegistroFila();
} // namespace types

struct ParamInfo {
    std::string name;
    const TypeInfo* type;
};

struct Operation {
    std::string name;
    std::vector<ParamInfo> params;
    const TypeInfo* result = nullptr; // none for the P... operations
};

// The ten operations, in declaration order.
const std::vector<Operation>& operations();
// The operation of that name; raises for an unknown one.
const Operation& operation(std::string_view name);

} // namespace server
