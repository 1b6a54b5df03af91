#include "link/erros.h"

// Error answers of model B ("MV4700"): bytes 2 and 3 of every answer hold a two-digit status,
// "00" when the command was accepted and the error code otherwise.

namespace Erros4700 {

const ErrorEntry Table[] = {
    {"01", "Comando habilitado somente em modo manutenção"},
    {"02", "Falha na gravação da Memória Fiscal"},
    {"03", "Capacidade da Memória Fiscal esgotada"},
    {"04", "Data fornecida não coincide com a data interna da IF"},
    {"05", "IF bloqueada por erro fiscal"},
    {"06", "Erro no campo de controle da Memória Fiscal"},
    {"07", "Existe uma Memória Fiscal instalada"},
    {"08", "Senha incorreta"},
    {"09", "Comando habilitado somente em modo operação"},
    {"10", "Documento aberto"},
    {"11", "Documento não aberto"},
    {"12", "Não há documento a cancelar"},
    {"13", "Campo numérico com valores inválidos"},
    {"14", "Capacidade máxima da memória foi atingida"},
    {"15", "Item solicitado não foi encontrado"},
    {"16", "Erro na sintaxe do comando"},
    {"17", "Overflow nos cálculos internos"},
    {"18", "Alíquota de imposto não definida para o \r\ntotalizador selecionado"},
    {"19", "Memória Fiscal vazia"},
    {"20", "Nenhum campo requer atualização"},
    {"21", "Repita o comando de Redução Z"},
    {"22", "Redução Z do dia já executada"},
    {"23", "Redução Z pendente"},
    {"24", "Valor de desconto ou acréscimo inválido"},
    {"25", "Caracteres não estampáveis foram encontrados"},
    {"26", "Comando não pode ser executado"},
    {"27", "Operação abortada "},
    {"28", "Campo numérico em zero não é permitido"},
    {"29", "Documento anterior não foi Cupom Fiscal"},
    {"30", "Foi selecionado um documento não fiscal inválido \r\nou não programado"},
    {"31", "Não pode autenticar"},
    {"32", "Desconto em ISS não habilitado"},
    {"33", "Emita Comprovantes NF Vinculados pendentes"},
    {"34", "IF bloqueada por erro fiscal"},
    {"35", "Relógio interno inoperante"},
    {"36", "Versão do firmware gravada na MF não coincide \r\ncom a esperada"},
    {"38", "Foi selecionada uma forma de pagamento inválida"},
    {"39", "Erro na seqüência de fechamento do documento"},
    {"40", "Já foi emitido algum documento após a última redução Z"},
    {"41", "Data/hora fornecida é anterior a última gravada \r\nna Memória Fiscal"},
    {"42", "Leitura X do início do dia ainda não foi emitida"},
    {"43", "Não pode mais emitir CNF Vinculado solicitado"},
    {"44", "Forma de pagamento já definida"},
    {"45", "Campo em branco ou contendo caracter de controle"},
    {"46", "Cancele vinculados"},
    {"47", "Não existe cópia disponível"},
    {"48", "Valor do estorno superior ao total acumulado nesta \r\nforma de pagamento"},
    {"49", "Forma de pagamento a ser estornada não foi \r\nencontrada na memória"},
    {"50", "Impressora sem papel"},
    {"61", "Operação interrompida por falta de energia elétrica"},
    {"70", "Falha na comunicação com o módulo impressor"},
    {"80", "Periférico conectado a porta auxiliar não homologado"},
    {"81", "Banco não cadastrado"},
    {"82", "Nada a imprimir"},
    {"83", "Extenso não cabe no cheque"},
    {"84", "Leitor de CMC-7 não instalado"},
    {"86", "Não há mais memória para o cadastro de bancos"},
    {"87", "Impressão no verso somente após a impressão \r\nda frente do cheque"},
    {"88", "Valor inválido para o cheque"},
};

const int TableSize = int(sizeof(Table) / sizeof(Table[0]));

bool CheckResponse(int length, const uint8_t *answer) {
    if (length <= 0 || !answer)
        return showNoAnswer();
    if (length >= 4 && answer[2] == '0' && answer[3] == '0')
        return true;
    return showErrorAnswer(Table, TableSize, length, answer);
}

} // namespace Erros4700
