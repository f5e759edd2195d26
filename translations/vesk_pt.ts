<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="pt_BR" sourcelanguage="pt_PT">
<context>
    <name>AccountLinker</name>
    <message>
        <source>Falta configurar o cliente OAuth da Google nas Definições.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>OutgoingAddress</name>
    <message>
        <source>Não é um endereço de correio.</source>
        <translation>Não é um endereço de correio.</translation>
    </message>
    <message>
        <source>Tem caracteres invisíveis.</source>
        <translation>Tem caracteres invisíveis.</translation>
    </message>
    <message>
        <source>Falta o @ e o domínio.</source>
        <translation>Falta o @ e o domínio.</translation>
    </message>
    <message>
        <source>Tem mais de um @.</source>
        <translation>Tem mais de um @.</translation>
    </message>
    <message>
        <source>Falta o nome antes do @.</source>
        <translation>Falta o nome antes do @.</translation>
    </message>
    <message>
        <source>Falta o domínio depois do @.</source>
        <translation>Falta o domínio depois do @.</translation>
    </message>
    <message>
        <source>Um endereço não tem espaços.</source>
        <translation>Um endereço não tem espaços.</translation>
    </message>
</context>
<context>
    <name>vesk-demo</name>
    <message>
        <source>VESK — demonstração</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vesk::AboutView</name>
    <message>
        <source>Cliente de Gmail nativo para Linux</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Versão %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vesk::AccountCard</name>
    <message>
        <source>Notificações</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remover</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vesk::AccountListModel</name>
    <message>
        <source>Todas as contas</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>%n contas</source>
        <translation>
            <numerusform>%n conta</numerusform>
            <numerusform>%n contas</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n não lidas</source>
        <translation>
            <numerusform>%n não lida</numerusform>
            <numerusform>%n não lidas</numerusform>
        </translation>
    </message>
    <message>
        <source>selecionada</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vesk::AccountSession</name>
    <message>
        <source>Não foi possível guardar a alteração no disco: se fechar o VESK antes de a ligação voltar, perde-se.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vesk::AccountsSheet</name>
    <message>
        <source>Contas</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ainda falta o cliente OAuth da Google. Cola o Client ID e o Client Secret nas Definições do VESK (o passo da consola demora poucos minutos e faz-se uma só vez). Sem isso, o VESK não consegue ligar contas, mas todo o resto da app está pronto.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Concluir</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancelar</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ligar outra conta</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>Remover conta</source>
        <translation>Remover conta</translation>
    </message>
    <message>
        <source>Remover a conta %1 do VESK?</source>
        <translation>Remover a conta %1 do VESK?</translation>
    </message>
    <message>
        <source>O VESK deixa de ter acesso à conta e apaga o correio que guardou neste computador. O correio na Google fica como está.</source>
        <translation>O VESK deixa de ter acesso à conta e apaga o correio que guardou neste computador. O correio na Google fica como está.</translation>
    </message>
    <message>
        <source>À espera do login no navegador. Escreve a senha e o 2FA nas páginas da Google; o VESK recebe só os tokens.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vesk::AddressChip</name>
    <message>
        <source>%1 não é um endereço válido: %2</source>
        <translation>%1 não é um endereço válido: %2</translation>
    </message>
</context>
<context>
    <name>vesk::AppState</name>
    <message>
        <source>Caixa de entrada</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Enviados</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Rascunhos</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Spam</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Lixeira</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Com estrela</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Importantes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Não lidas</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>(sem assunto)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Não foi possível %1 «%2» (%3): %4</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Caixa de saída</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Para: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>O Gmail recusou a mensagem «%1» (%2): %3. Está na Caixa de saída.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Uma mensagem da Caixa de saída de %1 não pôde ser lida e ficou de parte em %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>As alterações por enviar de %1 não puderam ser lidas e ficaram de parte em %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A pesquisa precisa de ligação à internet. Tente de novo quando a ligação voltar.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Todas as contas</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 — Todas as contas</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Não há nenhuma conta ligada para escrever a mensagem do endereço mailto. Ligue uma conta e abra-o de novo.</source>
        <translation>Não há nenhuma conta ligada para escrever a mensagem do endereço mailto. Ligue uma conta e abra-o de novo.</translation>
    </message>
    <message>
        <source>este rascunho já não está no Gmail: foi enviado ou alterado noutro lado. Atualize a lista e abra-o de novo.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Não foi possível abrir o rascunho de %1: %2</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vesk::AttachmentRow</name>
    <message>
        <source>Remover</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remover %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Anexo %1, %2</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vesk::Autostart</name>
    <message>
        <source>a pasta %1 não pode ser criada</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vesk::BusySpinner</name>
    <message>
        <source>A trabalhar</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vesk::CompletionPopup</name>
    <message>
        <source>Sugestões de endereços</source>
        <translation>Sugestões de endereços</translation>
    </message>
</context>
<context>
    <name>vesk::ComposerBodyEdit</name>
    <message>
        <source>Escreve a mensagem. Podes largar ficheiros aqui para os anexar.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mensagem</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vesk::ComposerHeader</name>
    <message>
        <source>Fechar</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vesk::ComposerSession</name>
    <message>
        <source>Escolher ficheiros para anexar</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Endereço inválido: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>O rascunho não foi guardado: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mensagem reencaminhada
De: %1 &lt;%2&gt;
Assunto: %3
Para: %4</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Em %1, %2 escreveu:</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vesk::ComposerView</name>
    <message>
        <source>Os anexos passam o limite de 25 MB do Gmail.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Rascunho guardado</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Responder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Responder a todos</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reencaminhar</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Nova mensagem</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Para</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Assunto</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Adicionar Cc e Bcc</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>De</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Anexar</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Descartar</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Enviar</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A enviar</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>De %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vesk::DraftConflictBar</name>
    <message>
        <source>Manter esta versão</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Usar a outra versão</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Este rascunho foi alterado noutro lado (noutro dispositivo ou no Gmail) depois de o abrir aqui. Escolha a versão a manter.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vesk::ErrorText</name>
    <message>
        <source>Sem ligação ao Google. A sincronização continua quando a ligação voltar.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>O Google limitou os pedidos desta conta por agora. A sincronização continua sozinha.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sem ligação ao Google. Verifica a ligação à Internet e tenta de novo.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>O Google limitou os pedidos desta conta por agora. Tenta de novo daqui a um minuto.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vesk::GmailError</name>
    <message>
        <source>Falta a permissão do Gmail: não foi marcada na página da Google. É preciso ligar a conta de novo e marcar a permissão do Gmail.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A Google deixou de aceitar o acesso a esta conta (HTTP %1). É preciso ligá-la de novo.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>O Gmail limitou os pedidos desta conta por agora (HTTP %1). Passa por si daqui a pouco.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>O Gmail não encontrou o que foi pedido (HTTP %1): pode ter sido apagado entretanto.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>HTTP %1: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>HTTP %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Transporte: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Descodificação: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Não autorizado: não há credenciais guardadas para esta conta. É preciso ligá-la de novo.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Histórico expirado</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vesk::LabelListModel</name>
    <message numerus="yes">
        <source>%n por enviar</source>
        <translation>
            <numerusform>%n por enviar</numerusform>
            <numerusform>%n por enviar</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n não lidas</source>
        <translation>
            <numerusform>%n não lida</numerusform>
            <numerusform>%n não lidas</numerusform>
        </translation>
    </message>
    <message>
        <source>aberta</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vesk::LiveGmailAPI</name>
    <message>
        <source>endereço inválido</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>resposta sem HTTP</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>anexo sem dados</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vesk::LoopbackRedirect</name>
    <message>
        <source>A aguardar a ligação.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ligação não concluída</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A Google devolveu um erro. Pode fechar esta janela e tentar outra vez no VESK.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>O estado da ligação não confere. Pode fechar esta janela e tentar outra vez no VESK.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Conta ligada ao VESK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pode fechar esta janela e voltar ao VESK.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pode fechar esta janela e tentar outra vez no VESK.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vesk::MailtoAddress</name>
    <message>
        <source>não é um endereço mailto: %1</source>
        <translation>não é um endereço mailto: %1</translation>
    </message>
    <message>
        <source>demasiado longo, foi cortado: %1</source>
        <translation>demasiado longo, foi cortado: %1</translation>
    </message>
    <message>
        <source>sinais «%» mal escritos, ficaram como estão: %1</source>
        <translation>sinais «%» mal escritos, ficaram como estão: %1</translation>
    </message>
    <message>
        <source>texto em codificação desconhecida: %1</source>
        <translation>texto em codificação desconhecida: %1</translation>
    </message>
    <message>
        <source>quebras de linha ou caracteres de controlo retirados: %1</source>
        <translation>quebras de linha ou caracteres de controlo retirados: %1</translation>
    </message>
    <message>
        <source>endereço inválido: %1</source>
        <translation>endereço inválido: %1</translation>
    </message>
    <message>
        <source>campo ignorado: %1</source>
        <translation>campo ignorado: %1</translation>
    </message>
    <message>
        <source>Do endereço mailto ficou de fora: %1.</source>
        <translation>Do endereço mailto ficou de fora: %1.</translation>
    </message>
</context>
<context>
    <name>vesk::MainActions</name>
    <message>
        <source>Nova mensagem</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Atualizar</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pesquisar no Gmail</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Gerir contas</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Definições…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Buscar atualizações…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sair</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ficheiro</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Conta</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Desfazer</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vesk::MainToolbar</name>
    <message>
        <source>Escrever</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Transferências</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Barra de ferramentas</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vesk::MessageCard</name>
    <message>
        <source>Mostrar imagens desta mensagem</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>para %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Continuar a escrever</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mensagem de %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vesk::NoticeBar</name>
    <message>
        <source>Dispensar</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vesk::NotificationPayload</name>
    <message>
        <source>(sem assunto)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 mensagens novas em %2</source>
        <extracomment>The title of one notification for several new messages of an account.</extracomment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>e mais %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vesk::OAuthError</name>
    <message>
        <source>A Google não aceitou o cliente OAuth (%1). É preciso verificar o Client Secret e o Client ID nas Definições.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A Google deixou de aceitar a autorização desta conta: expirou ou foi revogada. É preciso ligar a conta de novo.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>HTTP %1: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>HTTP %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>O acesso à conta foi recusado na página da Google, por isso a conta não foi ligada.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A Google não concluiu a ligação (%1).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cliente OAuth não configurado</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ligação cancelada</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Estado OAuth não confere</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A Google não devolveu código</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Não foi possível abrir o navegador.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vesk::OAuthService</name>
    <message>
        <source>resposta de token inválida</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>perfil sem endereço de e-mail</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>resposta sem HTTP</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vesk::OfflineLine</name>
    <message>
        <source>Sem ligação — as alterações são enviadas quando a ligação voltar.</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>%n alterações à espera</source>
        <translation>
            <numerusform>%n alteração à espera</numerusform>
            <numerusform>%n alterações à espera</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>vesk::PackageManagerUpdater</name>
    <message>
        <source>O VESK é atualizado pelo sistema</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>As novas versões do VESK chegam pelo gestor de pacotes do sistema, com as outras atualizações. Procura-as na ferramenta de atualizações da tua distribuição.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Buscar atualizações</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vesk::PendingChange</name>
    <message>
        <source>mover para a lixeira</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>restaurar da lixeira</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>marcar como não lida</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>marcar como lida</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>marcar com estrela</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>retirar a estrela de</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>aplicar a etiqueta «%1» a</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>retirar a etiqueta «%1» de</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>arquivar</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>mover para a caixa de entrada</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>alterar</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vesk::QNetworkTransport</name>
    <message>
        <source>A ligação terminou antes do fim da resposta (%1 de %2 bytes)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vesk::ReaderPane</name>
    <message>
        <source>Responder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Responder a todos</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reencaminhar</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Lixeira</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A abrir a conversa…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>(sem assunto)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remover estrela</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Marcar com estrela</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Não é spam</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Marcar como spam</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mover para a caixa de entrada</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ações da conversa</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Arquivar</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vesk::ReaderPlaceholder</name>
    <message>
        <source>Escolhe uma conversa para ler.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vesk::ReaderSelectionView</name>
    <message>
        <source>Arquivar</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mover para a caixa de entrada</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mover para a lixeira</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 conversas selecionadas</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Marcar como lida</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Marcar como não lida</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remover estrela</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Marcar com estrela</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Não é spam</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Marcar como spam</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vesk::ReceivedAttachmentRow</name>
    <message>
        <source>Guardar</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A guardar</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Anexo %1, %2</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vesk::SettingsWindow</name>
    <message>
        <source>Definições do VESK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Privacidade</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Os tokens das contas vivem no porta-chaves do sistema, um conjunto por conta. O correio fica em cache na pasta de suporte do VESK, neste computador. Sem servidor do VESK e sem análise de utilização: nada sai daqui exceto os pedidos à API do Gmail da Google, com os tokens da própria conta.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sobre</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cliente OAuth da Google</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Vêm da tua consola Google (projeto VESK, cliente Desktop app chamado VESK Linux). O Client Secret fica guardado no porta-chaves deste computador, só para o VESK. A senha das tuas contas nunca passa pelo VESK: o login faz-se nas páginas da Google, no navegador do sistema.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Guardar</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Guardado</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Notificações</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>As notificações são locais, geradas no teu computador a cada sincronização (cerca de um minuto com o app aberto), com o nome e o endereço da conta no título. Clicar numa notificação abre a conta e a conversa certas. O interruptor de cada conta está em Contas.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pedir permissão de notificações</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cliente configurado</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cliente por configurar</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Nenhum</source>
        <translation>Nenhum</translation>
    </message>
    <message>
        <source>Espaço para ler sem ligação</source>
        <translation>Espaço para ler sem ligação</translation>
    </message>
    <message>
        <source>As conversas abertas há menos tempo ficam guardadas neste computador, para as leres sem ligação; as mais antigas saem quando o espaço acaba. Os anexos só se abrem com ligação.</source>
        <translation>As conversas abertas há menos tempo ficam guardadas neste computador, para as leres sem ligação; as mais antigas saem quando o espaço acaba. Os anexos só se abrem com ligação.</translation>
    </message>
    <message>
        <source>Arranque</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Iniciar com a sessão</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ao entrar na sessão, o VESK abre escondido na área de notificação, a sincronizar e a avisar de correio novo.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Não foi possível ativar o arranque com a sessão: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Não foi possível desativar o arranque com a sessão: %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vesk::SidebarPane</name>
    <message>
        <source>Contas</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Etiquetas</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Gerir contas</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A sincronizar</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ligar de novo</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vesk::SpellingMenu</name>
    <message>
        <source>Sem sugestões</source>
        <translation>Sem sugestões</translation>
    </message>
    <message>
        <source>Adicionar ao dicionário</source>
        <translation>Adicionar ao dicionário</translation>
    </message>
    <message>
        <source>Idioma da ortografia</source>
        <translation>Idioma da ortografia</translation>
    </message>
    <message>
        <source>Nenhum dicionário instalado</source>
        <translation>Nenhum dicionário instalado</translation>
    </message>
    <message>
        <source>&amp;Desfazer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Refazer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cor&amp;tar</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Copiar</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Co&amp;lar</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Eliminar</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Selecionar &amp;tudo</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vesk::SpokenText</name>
    <message>
        <source>d &apos;de&apos; MMMM</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>d &apos;de&apos; MMMM &apos;de&apos; yyyy</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vesk::StatusNotice</name>
    <message>
        <source>Tentar de novo</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vesk::SystemNotificationPoster</name>
    <message>
        <source>Abrir</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Arquivar</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Marcar como lidas</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Marcar como lida</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vesk::ThreadActionsMenu</name>
    <message>
        <source>Marcar como lida</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Marcar como não lida</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Arquivar</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mover para a lixeira</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Etiquetas</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sem etiquetas tuas</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mover para a caixa de entrada</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remover estrela</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Marcar com estrela</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Não é spam</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Marcar como spam</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Conversas de contas diferentes</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vesk::ThreadListModel</name>
    <message>
        <source>sem assunto</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>não lida</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>com estrela</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>%n mensagens</source>
        <translation>
            <numerusform>%n mensagem</numerusform>
            <numerusform>%n mensagens</numerusform>
        </translation>
    </message>
    <message>
        <source>conta %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vesk::ThreadListPane</name>
    <message>
        <source>Pesquisar no Gmail</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Limpar</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sem conversas aqui.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A pesquisar…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sem resultados.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pesquisa</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A carregar mais conversas…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Não há mais conversas.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Conversas</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vesk::ThreadRowDelegate</name>
    <message numerus="yes">
        <source>%n mensagens</source>
        <translation>
            <numerusform>%n mensagem</numerusform>
            <numerusform>%n mensagens</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>vesk::ThreadSummary</name>
    <message>
        <source>(sem assunto)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vesk::TransferCard</name>
    <message>
        <source>A transferir</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mostrar na pasta</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A transferir, %1 %</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Concluída</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Progresso de %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vesk::TransferManager</name>
    <message>
        <source>Erro desconhecido</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Guardar anexo de %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vesk::TransfersPanel</name>
    <message>
        <source>Limpar concluídas</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sem transferências. Os anexos que guardares aparecem aqui com o progresso.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Transferências</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vesk::TrayBadge</name>
    <message>
        <source>Sem mensagens por ler</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1 mensagem por ler</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 mensagens por ler</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vesk::TrayIcon</name>
    <message>
        <source>Abrir VESK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Escrever</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Atualizar</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sair</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vesk::TrayPresence</name>
    <message>
        <source>O VESK continua aberto</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fechar a janela não fecha o VESK: continua a sincronizar e a avisar de correio novo. Abre-o de novo pelo ícone na área de notificação; para sair, escolhe Sair no menu desse ícone.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vesk::UndoBar</name>
    <message>
        <source>Desfazer</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vesk::UndoOffer</name>
    <message>
        <source>Movida para a lixeira.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 conversas movidas para a lixeira.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Marcada como spam.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 conversas marcadas como spam.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Movida para a caixa de entrada.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 conversas movidas para a caixa de entrada.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Arquivada.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 conversas arquivadas.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Marcada como lida.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 conversas marcadas como lidas.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Marcada como não lida.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 conversas marcadas como não lidas.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Marcada com estrela.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 conversas marcadas com estrela.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Estrela removida.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Estrela removida de %1 conversas.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Etiqueta «%1» aplicada.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Etiqueta «%1» removida.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Etiqueta «%1» aplicada a %2 conversas.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Etiqueta «%1» removida de %2 conversas.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vesk::WelcomeView</name>
    <message>
        <source>O teu Gmail, nativo no Linux. Várias contas, notificações por conta e anexos sem truques.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Falta um passo teu, uma só vez</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ligar a primeira conta</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Abrir Definições</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>O VESK liga às tuas contas com um cliente OAuth criado na tua consola Google. Abre as Definições e cola o Client ID e o Client Secret; a app explica o resto. A senha nunca passa pelo VESK.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
