#include "IServidorOffLine.h"

#include "server/Soap.h"

namespace server {

SoapValue IServidorOffLine::invoke(std::string_view name, std::vector<SoapValue> args) {
    const Operation& op = operation(name);
    const std::string request = encodeRequest(op, args, caller_.operationNamespace(op));
    return decodeResponse(op, caller_.call(op, request));
}

std::int32_t IServidorOffLine::FRetornaUltimoId(const std::string& VfEmpresa,
                                                const std::string& VfIntervalo,
                                                std::int32_t VfQtdRegReceb,
                                                const std::string& VpMaquinaECF) {
    return invoke("FRetornaUltimoId", {VfEmpresa, VfIntervalo, VfQtdRegReceb, VpMaquinaECF})
        .integer();
}

bool IServidorOffLine::EnviaTabelas(const std::string& VFEmpresa, const TColecaoTabela& VFTabelas,
                                    const TColecaoEstruturaTabela& VfEstruturas,
                                    const std::string& VpMaquinaECF) {
    return invoke("EnviaTabelas",
                  {VFEmpresa, toSoap(VFTabelas), toSoap(VfEstruturas), VpMaquinaECF})
        .boolean();
}

std::shared_ptr<TRetornoCliente>
IServidorOffLine::FRetornaAtualizacao(const std::string& VfEmpresa, bool VIntegEstFilialLocal,
                                      const std::string& VpMaquinaECF) {
    return retornoClienteFrom(
        invoke("FRetornaAtualizacao", {VfEmpresa, VIntegEstFilialLocal, VpMaquinaECF}));
}

void IServidorOffLine::PConfirmaSincronizacao(const std::string& VpCodEmpresa,
                                              const std::string& VpIdSnc,
                                              const std::string& VpMaquinaEcf) {
    invoke("PConfirmaSincronizacao", {VpCodEmpresa, VpIdSnc, VpMaquinaEcf});
}

void IServidorOffLine::PGravarErro(const std::string& VpCodEmpresa, const std::string& VpErro,
                                   const std::string& VpMaquinaEcf) {
    invoke("PGravarErro", {VpCodEmpresa, VpErro, VpMaquinaEcf});
}

void IServidorOffLine::PDeletaIntegMaquina(const std::string& VpCodEmpresa, std::int32_t VpOrdem,
                                           const std::string& VpMaquinaECF) {
    invoke("PDeletaIntegMaquina", {VpCodEmpresa, VpOrdem, VpMaquinaECF});
}

bool IServidorOffLine::FTestaConexao() {
    return invoke("FTestaConexao", {}).boolean();
}

std::int32_t IServidorOffLine::FRetornaQtdRegistrosIntegrar(const std::string& VfCodEmpresaLocal,
                                                            const std::string& VpMaquinaECF) {
    return invoke("FRetornaQtdRegistrosIntegrar", {VfCodEmpresaLocal, VpMaquinaECF}).integer();
}

TColMetaDadosTabelas
IServidorOffLine::FRetornaMetaDadosTabelas(const TListaTabelas& VFListaTabelas) {
    return metaDadosTabelasFrom(
        SoapValue(invoke("FRetornaMetaDadosTabelas", {toSoap(VFListaTabelas)})));
}

TColRegistroFila IServidorOffLine::RetornaRegistrosIntegrados(const std::string& pCodEmpresaLocal,
                                                              std::int32_t pID_BASE,
                                                              const std::string& pMaquinaECF) {
    return registrosFilaFrom(
        invoke("RetornaRegistrosIntegrados", {pCodEmpresaLocal, pID_BASE, pMaquinaECF}));
}

} // namespace server
