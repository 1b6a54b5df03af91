#include "link/erros.h"

// Error answers of model A ("MV210"): an answer that begins with ":E" is an error whose
// two-digit code follows at bytes 2 and 3; any other answer means the command was accepted.

namespace Erros210 {

const ErrorEntry Table[] = {
    {"00", "IF em modo Manutenção. Foi ligada sem o \r\nJumper de Operação"},
    {"01", "Comando disponível somente em modo Manutenção"},
    {"02", "Erro durante a gravação da Memória Fiscal"},
    {"03", "Memória Fiscal esgotada"},
    {"04", "Erro no relógio interno da IF"},
    {"05", "Falha mecânica na IF"},
    {"06", "Erro durante a leitura da Memória Fiscal"},
    {"10", "Documento sendo emitido"},
    {"11", "Documento não foi aberto"},
    {"12", "Não existe documento a cancelar"},
    {"13", "Dígito não numérico não esperado foi encontrado \r\nnos parâmetros"},
    {"14", "Não há mais memória disponível para esta operação"},
    {"15", "Item a cancelar não foi encontrado"},
    {"16", "Erro de sintaxe no comando"},
    {"17", "Estouro de capacidade numérica (overflow)"},
    {"18", "Selecionado totalizador tributado com alíquota \r\nde imposto não definida"},
    {"19", "Memória Fiscal vazia"},
    {"20", "Não existem campos que requerem atualização"},
    {"21", "Detectado proximidade do final da bobina de papel"},
    {"22", "Cupom de Redução Z já foi emitido. IF inoperante \r\naté 0:00h do próximo dia"},
    {"23", "Redução Z do período anterior ainda pendente. \r\nIF inoperante"},
    {"24", "Valor de desconto ou acréscimo inválido (limitado a 100%)"},
    {"25", "Caracter inválido foi encontrado nos parâmetros"},
    {"27", "Nenhum periférico conectado a interface auxiliar"},
    {"28", "Foi encontrado um campo em zero"},
    {"29", "Documento anterior não foi Cupom Fiscal. \r\nNão pode emitir Cupom Adicional"},
    {"30", "Acumulador Não Fiscal selecionado não é válido\r\n ou não está disponível"},
    {"31", "Não pode autenticar. Excedeu 4 repetições ou \r\nnão é permitida nesta fase"},
    {"32", "Cupom adicional inibido por configuração"},
    {"36", "Versão do firmware gravada na Memória Fiscal \r\nnão é a esperada"},
    {"37", "Alíquota de imposto informada já está \r\ncarregada na memória"},
    {"38", "Forma de pagamento selecionada não é válida"},
    {"39", "Erro na seqüência de fechamento do Cupom Fiscal"},
    {"40", "IF em Jornada Fiscal. Alteração da configuração \r\nnão é permitida"},
    {"41", "Data inválida. Data fornecida é inferior à última \r\ngravada na Memória Fiscal"},
    {"42", "Leitura X inicial ainda não foi emitida"},
    {"43", "Não pode emitir Comprovante Vinculado"},
    {"44", "Cupom de Orçamento não permitido para este estabelecimento"},
    {"45", "Campo obrigatório em branco"},
    {"50", "Fim da bobina de papel"},
    {"53", "Senha inválida"},
    {"54", "Perda de dados da MT"},
    {"55", "Autenticação cancelada"},
    {"56", "Não há operação a cancelar"},
    {"61", "Queda de energia durante a emissão de Cupom Fiscal"},
    {"76", "Desconto em ISS não permitido"},
    {"78", "RZ solicitada antes da hora mínima programada"},
    {"80", "Periférico na interface auxiliar não pode ser reconhecido"},
    {"81", "Solicitado preenchimento de cheque de banco desconhecido"},
    {"82", "Solicitado transmissão de mensagem nula pela \r\ninterface auxiliar"},
    {"83", "Extenso do cheque não cabe no espaço disponível"},
    {"84", "Erro na comunicação com a interface auxiliar"},
    {"85", "Erro no dígito verificador durante comunicação \r\ncom a PertoCheck"},
    {"86", "Falha na carga de geometria de folha de cheque"},
};

const int TableSize = int(sizeof(Table) / sizeof(Table[0]));

bool CheckResponse(int length, const uint8_t *answer) {
    if (length <= 0 || !answer)
        return showNoAnswer();
    if (length < 2 || answer[0] != ':' || answer[1] != 'E')
        return true;
    return showErrorAnswer(Table, TableSize, length, answer);
}

} // namespace Erros210
