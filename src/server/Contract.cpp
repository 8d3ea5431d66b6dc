#include "Contract.h"

#include "platform/Error.h"

namespace server {

std::string defaultSoapAction(std::string_view operation) {
    return std::string(kInterfaceNamespace) + "#" + std::string(operation);
}

namespace types {
namespace {

TypeInfo scalar(Kind kind) {
    return TypeInfo{kind, {}, {}, {}, nullptr, {}};
}
TypeInfo arrayOf(const TypeInfo& element) {
    return TypeInfo{Kind::Array, {}, {}, {}, &element, {}};
}
TypeInfo structure(const char* name, std::vector<FieldInfo> fields) {
    return TypeInfo{Kind::Struct, name,    std::string(kTypesNamespace),
                    {},           nullptr, std::move(fields)};
}

} // namespace

const TypeInfo& String() {
    static const TypeInfo t = scalar(Kind::String);
    return t;
}
const TypeInfo& Integer() {
    static const TypeInfo t = scalar(Kind::Integer);
    return t;
}
const TypeInfo& Boolean() {
    static const TypeInfo t = scalar(Kind::Boolean);
    return t;
}
const TypeInfo& TAcao() {
    static const TypeInfo t{
        Kind::Enum, "TAcao", std::string(kTypesNamespace), {"TaIncluir", "TaAlterar", "TaExcluir"},
        nullptr,    {}};
    return t;
}
const TypeInfo& TFieldType() {
    static const TypeInfo t{
        Kind::Enum,
        "TFieldType",
        std::string(kDbNamespace),
        {"ftUnknown",  "ftString",      "ftSmallint", "ftInteger",   "ftWord",
         "ftBoolean",  "ftFloat",       "ftCurrency", "ftBCD",       "ftDate",
         "ftTime",     "ftDateTime",    "ftBytes",    "ftVarBytes",  "ftAutoInc",
         "ftBlob",     "ftMemo",        "ftGraphic",  "ftFmtMemo",   "ftParadoxOle",
         "ftDBaseOle", "ftTypedBinary", "ftCursor",   "ftFixedChar", "ftWideString",
         "ftLargeint", "ftADT",         "ftArray",    "ftReference", "ftDataSet",
         "ftOraBlob",  "ftOraClob",     "ftVariant",  "ftInterface", "ftIDispatch",
         "ftGuid",     "ftTimeStamp",   "ftFMTBcd"},
        nullptr,
        {}};
    return t;
}
const TypeInfo& StringArray() {
    static const TypeInfo t = arrayOf(String());
    return t;
}
const TypeInfo& TColecaoTipoCampoTabela() {
    static const TypeInfo t = arrayOf(TFieldType());
    return t;
}
const TypeInfo& TTabela() {
    static const TypeInfo t = structure("TTabela", {{"ID", &Integer()},
                                                    {"NomeTabela", &String()},
                                                    {"TipoAcao", &TAcao()},
                                                    {"ValorCampos", &StringArray()},
                                                    {"ChavePrimaria", &StringArray()}});
    return t;
}
const TypeInfo& TEstruturaTabela() {
    static const TypeInfo t =
        structure("TEstruturaTabela", {{"NomeTabela", &String()},
                                       {"CamposTabela", &StringArray()},
                                       {"TiposCampoTabela", &TColecaoTipoCampoTabela()}});
    return t;
}
const TypeInfo& TColecaoTabela() {
    static const TypeInfo t = arrayOf(TTabela());
    return t;
}
const TypeInfo& TColecaoEstruturaTabela() {
    static const TypeInfo t = arrayOf(TEstruturaTabela());
    return t;
}
const TypeInfo& TRetornoCliente() {
    static const TypeInfo t =
        structure("TRetornoCliente", {{"Processado", &Boolean()},
                                      {"IDSnc", &Integer()},
                                      {"ColecaoTabela", &TColecaoTabela()},
                                      {"ColecaoEstrutura", &TColecaoEstruturaTabela()}});
    return t;
}
const TypeInfo& TColMetaDadosCampos() {
    static const TypeInfo t = arrayOf(StringArray());
    return t;
}
const TypeInfo& TMetaDadosTabela() {
    static const TypeInfo t =
        structure("TMetaDadosTabela",
                  {{"NomeTabela", &String()}, {"ColecaoMetadadosCampos", &TColMetaDadosCampos()}});
    return t;
}
const TypeInfo& TColMetaDadosTabelas() {
    static const TypeInfo t = arrayOf(TMetaDadosTabela());
    return t;
}
const TypeInfo& TRegistroFila() {
    static const TypeInfo t = structure("TRegistroFila", {{"ID", &Integer()},
                                                          {"ID_Origem", &Integer()},
                                                          {"NomeTabela", &String()},
                                                          {"Maquina", &String()},
                                                          {"DataSinc", &String()}});
    return t;
}
const TypeInfo& TColRegistroFila() {
    static const TypeInfo t = arrayOf(TRegistroFila());
    return t;
}

} // namespace types

const std::vector<Operation>& operations() {
    using types::Boolean, types::Integer, types::String, types::StringArray;
    const auto& TColecaoTabela = types::TColecaoTabela;
    const auto& TColecaoEstruturaTabela = types::TColecaoEstruturaTabela;
    const auto& TRetornoCliente = types::TRetornoCliente;
    const auto& TColMetaDadosTabelas = types::TColMetaDadosTabelas;
    const auto& TColRegistroFila = types::TColRegistroFila;
    static const std::vector<Operation> ops = {
        {"FRetornaUltimoId",
         {{"VfEmpresa", &String()},
          {"VfIntervalo", &String()},
          {"VfQtdRegReceb", &Integer()},
          {"VpMaquinaECF", &String()}},
         &Integer()},
        {"EnviaTabelas",
         {{"VFEmpresa", &String()},
          {"VFTabelas", &TColecaoTabela()},
          {"VfEstruturas", &TColecaoEstruturaTabela()},
          {"VpMaquinaECF", &String()}},
         &Boolean()},
        {"FRetornaAtualizacao",
         {{"VfEmpresa", &String()},
          {"VIntegEstFilialLocal", &Boolean()},
          {"VpMaquinaECF", &String()}},
         &TRetornoCliente()},
        {"PConfirmaSincronizacao",
         {{"VpCodEmpresa", &String()}, {"VpIdSnc", &String()}, {"VpMaquinaEcf", &String()}},
         nullptr},
        {"PGravarErro",
         {{"VpCodEmpresa", &String()}, {"VpErro", &String()}, {"VpMaquinaEcf", &String()}},
         nullptr},
        {"PDeletaIntegMaquina",
         {{"VpCodEmpresa", &String()}, {"VpOrdem", &Integer()}, {"VpMaquinaECF", &String()}},
         nullptr},
        {"FTestaConexao", {}, &Boolean()},
        {"FRetornaQtdRegistrosIntegrar",
         {{"VfCodEmpresaLocal", &String()}, {"VpMaquinaECF", &String()}},
         &Integer()},
        {"FRetornaMetaDadosTabelas", {{"VFListaTabelas", &StringArray()}}, &TColMetaDadosTabelas()},
        {"RetornaRegistrosIntegrados",
         {{"pCodEmpresaLocal", &String()}, {"pID_BASE", &Integer()}, {"pMaquinaECF", &String()}},
         &TColRegistroFila()},
    };
    return ops;
}

const Operation& operation(std::string_view name) {
    for (const Operation& op : operations())
        if (op.name == name)
            return op;
    throw platform::Error("Unknown operation " + std::string(name));
}

} // namespace server
